#include "dicom/DicomFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <unistd.h>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdict.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcmetinf.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/oflog/oflog.h>

#include "contract/FileReplace.h"

namespace voxmill {

struct CDicomFile::Impl {
    DcmFileFormat file;
    std::string target;
    std::string temp;  // created by Create, renamed over target when written

    ~Impl() {
        if (!temp.empty()) std::remove(temp.c_str());
    }
};

bool InitDicomToolkit() {
    // The toolkit logs warnings on stderr by default (among them one about
    // the meta header's instance UID, which the export sets on purpose);
    // the program reports its own errors.
    static std::once_flag configured;
    std::call_once(configured, [] { OFLog::configure(OFLogger::ERROR_LOG_LEVEL); });
    return dcmDataDict.isDictionaryLoaded();
}

CDicomFile::CDicomFile() = default;

CDicomFile::~CDicomFile() = default;

int CDicomFile::Create(const std::string& path) {
    m_impl.reset();
    if (!InitDicomToolkit()) {
        m_lastError = "the DICOM data dictionary is not loaded";
        return -1;
    }
    auto impl = std::make_unique<Impl>();
    impl->target = file_replace::ResolveLinks(path);
    file_replace::RemoveStaleTemps(impl->target);
    const int fd = file_replace::CreateTemp(impl->target, impl->temp);
    if (fd < 0) {
        m_lastError = "cannot create " + path + " (" + std::strerror(errno) + ")";
        return -1;
    }
    ::close(fd);
    m_impl = std::move(impl);
    m_lastError.clear();
    return 0;
}

bool CDicomFile::PutString(std::uint16_t group, std::uint16_t element, const std::string& value) {
    if (!m_impl) return false;
    DcmItem* item = group == 0x0002 ? static_cast<DcmItem*>(m_impl->file.getMetaInfo())
                                    : static_cast<DcmItem*>(m_impl->file.getDataset());
    const OFCondition status = item->putAndInsertString(DcmTagKey(group, element), value.c_str());
    if (status.bad()) m_lastError = status.text();
    return status.good();
}

bool CDicomFile::PutUint16(std::uint16_t group, std::uint16_t element, std::uint16_t value) {
    if (!m_impl) return false;
    const OFCondition status = m_impl->file.getDataset()->putAndInsertUint16(DcmTagKey(group, element), value);
    if (status.bad()) m_lastError = status.text();
    return status.good();
}

bool CDicomFile::PutPixelData16(const std::uint16_t* words, std::size_t count) {
    if (!m_impl) return false;
    const OFCondition status =
        m_impl->file.getDataset()->putAndInsertUint16Array(DCM_PixelData, words, static_cast<unsigned long>(count));
    if (status.bad()) m_lastError = status.text();
    return status.good();
}

int CDicomFile::WriteAndClose() {
    if (!m_impl) {
        m_lastError = "no DICOM file was created";
        return -1;
    }
    std::unique_ptr<Impl> impl = std::move(m_impl);
    // File-format mode only fills in meta elements that are missing, so the
    // values put into group 0002 are written as given.
    const OFCondition status = impl->file.saveFile(impl->temp.c_str(), EXS_LittleEndianExplicit, EET_ExplicitLength,
                                                   EGL_recalcGL, EPD_noChange, 0, 0, EWM_fileformat);
    if (status.bad()) {
        m_lastError = std::string("cannot write ") + impl->target + ": " + status.text();
        return -1;
    }
    if (!file_replace::CommitTemp(impl->temp, impl->target)) {
        m_lastError = "cannot replace " + impl->target + " (" + std::strerror(errno) + ")";
        return -1;
    }
    impl->temp.clear();
    return 0;
}

}  // namespace voxmill
