// Whole-file archive I/O: a save replaces the target only when the whole
// record was written; loading refuses what is not a readable regular file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/File.h"
#include "tests/common/ArchiveBytes.h"
#include "tests/common/TempDir.h"

namespace voxmill::test {
namespace {

void WriteRecord(CArchive& ar, int value, std::size_t fillerBytes) {
    ar.WriteInt(value);
    const Bytes filler(fillerBytes, 0x5A);
    ar.WriteRaw(filler.data(), filler.size());
}

TEST(ArchiveFile, SaveThenLoad) {
    TempDir dir;
    const std::string path = dir.File("doc.pha");
    SaveArchiveFile(path, 16, [](CArchive& ar) { WriteRecord(ar, 12, 100); });
    EXPECT_EQ(ReadBytes(path).size(), 104u);
    int value = 0;
    LoadArchiveFile(path, 4096, [&](CArchive& ar) { value = ar.ReadInt(); });
    EXPECT_EQ(value, 12);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"doc.pha"});
}

TEST(ArchiveFile, FailedSaveLeavesThePreviousFileAndNoTemporary) {
    TempDir dir;
    const std::string path = dir.File("doc.pha");
    SaveArchiveFile(path, 4096, [](CArchive& ar) { WriteRecord(ar, 1, 10); });
    const Bytes before = ReadBytes(path);
    // The failure comes after more than a buffer's worth reached the disk.
    EXPECT_THROW(SaveArchiveFile(path, 4096,
                                 [](CArchive& ar) {
                                     WriteRecord(ar, 2, 100000);
                                     throw std::runtime_error("half-way");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"doc.pha"});
}

TEST(ArchiveFile, SaveIntoAMissingFolderFails) {
    TempDir dir;
    EXPECT_THROW(SaveArchiveFile(dir.File("no/such/doc.pha"), 4096, [](CArchive& ar) { ar.WriteInt(1); }),
                 CFileException);
    // A regular file where a folder is expected.
    WriteBytes(dir.File("plain"), B({1}));
    EXPECT_THROW(SaveArchiveFile(dir.File("plain/doc.pha"), 4096, [](CArchive& ar) { ar.WriteInt(1); }),
                 CFileException);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"plain"});
}

TEST(ArchiveFile, SaveOverAFolderFailsAndRemovesItsTemporary) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "taken");
    WriteBytes(dir.File("taken/inside"), B({7}));
    EXPECT_THROW(SaveArchiveFile(dir.File("taken"), 4096, [](CArchive& ar) { ar.WriteInt(1); }), CFileException);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"taken"});
    EXPECT_EQ(ReadBytes(dir.File("taken/inside")), B({7}));
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(ArchiveFileReplace, ASymlinkedDocumentStaysALinkAndItsFileGetsTheSave) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "real");
    SaveArchiveFile(dir.File("real/doc.pha"), 4096, [](CArchive& ar) { WriteRecord(ar, 1, 4); });
    std::filesystem::create_symlink("real/doc.pha", dir.File("link.pha"));
    std::filesystem::create_symlink("link.pha", dir.File("chain.pha"));  // a link to a link
    SaveArchiveFile(dir.File("chain.pha"), 4096, [](CArchive& ar) { WriteRecord(ar, 2, 4); });
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.pha")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("chain.pha")));
    int value = 0;
    LoadArchiveFile(dir.File("real/doc.pha"), 4096, [&](CArchive& ar) { value = ar.ReadInt(); });
    EXPECT_EQ(value, 2);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"chain.pha", "link.pha", "real"}));

    // A dangling link: the save creates the file it names.
    std::filesystem::create_symlink("real/new.pha", dir.File("dangling.pha"));
    SaveArchiveFile(dir.File("dangling.pha"), 4096, [](CArchive& ar) { WriteRecord(ar, 3, 0); });
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("dangling.pha")));
    EXPECT_EQ(ReadBytes(dir.File("real/new.pha")).size(), 4u);
}

TEST(ArchiveFileReplace, AnExistingFileKeepsItsModeAndANewOneFollowsTheUmask) {
    TempDir dir;
    const std::string path = dir.File("private.pha");
    SaveArchiveFile(path, 4096, [](CArchive& ar) { ar.WriteInt(1); });
    ::chmod(path.c_str(), 0600);
    SaveArchiveFile(path, 4096, [](CArchive& ar) { ar.WriteInt(2); });
    EXPECT_EQ(ModeOf(path), 0600u);
    ::chmod(path.c_str(), 0664);
    SaveArchiveFile(path, 4096, [](CArchive& ar) { ar.WriteInt(3); });
    EXPECT_EQ(ModeOf(path), 0664u);

    const mode_t old = ::umask(027);
    SaveArchiveFile(dir.File("new.pha"), 4096, [](CArchive& ar) { ar.WriteInt(1); });
    ::umask(0);
    SaveArchiveFile(dir.File("open.pha"), 4096, [](CArchive& ar) { ar.WriteInt(1); });
    ::umask(old);
    EXPECT_EQ(ModeOf(dir.File("new.pha")), 0640u);
    EXPECT_EQ(ModeOf(dir.File("open.pha")), 0666u);
}

TEST(ArchiveFileReplace, TemporariesNameTheirTargetAndStaleOnesGoAtTheNextSave) {
    TempDir dir;
    const std::string path = dir.File("doc.pha");
    // What a save killed half-way leaves: a temporary of a process that is gone.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string stale = path + ".voxmill-tmp." + std::to_string(child) + ".AbCdEf";
    WriteBytes(stale, B({1, 2, 3}));
    // One of a save still running here, one of another target, one not ours.
    const std::string live = path + ".voxmill-tmp." + std::to_string(::getppid()) + ".XyZ123";
    WriteBytes(live, B({1}));
    WriteBytes(dir.File("other.pha.voxmill-tmp." + std::to_string(child) + ".AbCdEf"), B({1}));
    WriteBytes(dir.File("doc.pha.~123456"), B({1}));

    std::vector<std::string> during;
    SaveArchiveFile(path, 4096, [&](CArchive& ar) {
        during = dir.Entries();
        ar.WriteInt(1);
    });
    // While writing, the temporary was named after the target and this process.
    const std::string mine = "doc.pha.voxmill-tmp." + std::to_string(::getpid()) + ".";
    EXPECT_EQ(std::count_if(during.begin(), during.end(),
                            [&](const std::string& e) { return e.rfind(mine, 0) == 0; }),
              1);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_EQ(dir.Entries().size(), 4u);  // doc.pha, the live one, the other target's, the foreign one
}

TEST(ArchiveFile, LoadRefusesMissingFilesAndFolders) {
    TempDir dir;
    auto read = [](CArchive& ar) { ar.ReadInt(); };
    EXPECT_THROW(LoadArchiveFile(dir.File("missing.pha"), 4096, read), CFileException);
    // A folder opens for reading on Linux; it must not pass for an empty
    // (or endless) file.
    EXPECT_THROW(LoadArchiveFile(dir.path().string(), 4096, read), CFileException);
}

TEST(ArchiveFile, TruncatedFileIsAnArchiveError) {
    TempDir dir;
    const std::string path = dir.File("short.pha");
    WriteBytes(path, B({1, 2}));
    try {
        LoadArchiveFile(path, 4096, [](CArchive& ar) { ar.ReadInt(); });
        FAIL() << "no error";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.cause(), CArchiveException::endOfFile);
        EXPECT_EQ(e.offset(), 0u);
    }
}

TEST(ArchiveFile, FileNamePartCutsAtEverySeparator) {
    EXPECT_EQ(FileNamePart("C:\\data\\run1\\p001.prj"), "p001.prj");
    EXPECT_EQ(FileNamePart("/home/u/run/p002.prj"), "p002.prj");
    EXPECT_EQ(FileNamePart("C:p003.prj"), "p003.prj");
    EXPECT_EQ(FileNamePart("mixed/dir\\p004.prj"), "p004.prj");
    EXPECT_EQ(FileNamePart("p005.prj"), "p005.prj");
    EXPECT_EQ(FileNamePart("folder/"), "");
    EXPECT_EQ(FileNamePart(""), "");
}

TEST(DiskFile, LengthAndPositionFollowWritesAndSeeks) {
    TempDir dir;
    const std::string path = dir.File("f.bin");
    {
        CDiskFile out(path, CDiskFile::modeCreate);
        out.Write("abcdef", 6);
        EXPECT_EQ(out.GetLength(), 6u);
        out.Seek(2);
        out.Write("XY", 2);
        EXPECT_EQ(out.GetPosition(), 4u);
        EXPECT_EQ(out.GetLength(), 6u);
        out.Close();
    }
    CDiskFile in(path, CDiskFile::modeRead);
    EXPECT_EQ(in.GetLength(), 6u);
    char buf[8] = {};
    EXPECT_EQ(in.Read(buf, 8), 6u);
    EXPECT_STREQ(buf, "abXYef");
    EXPECT_EQ(in.BytesLeft(), 0u);
    EXPECT_EQ(in.Read(buf, 1), 0u);
}

TEST(MemFile, ReadsWhatIsThereAndGrowsOnWrites) {
    CMemFile file;
    file.Write("abc", 3);
    file.Seek(5);
    file.Write("z", 1);
    EXPECT_EQ(file.bytes(), (Bytes{'a', 'b', 'c', 0, 0, 'z'}));
    file.Seek(4);
    char buf[4] = {};
    EXPECT_EQ(file.Read(buf, 4), 2u);
    file.Seek(100);
    EXPECT_EQ(file.Read(buf, 4), 0u);
    EXPECT_EQ(file.BytesLeft(), 0u);
}

}  // namespace
}  // namespace voxmill::test
