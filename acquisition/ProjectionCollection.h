// The ordered projections of one acquisition, the input of a
// reconstruction. A target (type 101) whose members are CProjection
// documents, each held by a CListElementStub either in place (inside the
// .prs file) or linked to a .prj file of its own. The collection owns its
// stubs and their elements; elements have auto-delete cleared.
//
// .prs record: the target record, a count, then one stub reference per
// member. Renderers walk it through IProjectionCollection; asking a member
// for IProjection loads it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/SinogramImport.h"
#include "app/Target.h"
#include "contract/ProjectionCollection.h"

namespace voxmill {

class CDocTemplate;
class CListElementStub;
class CProjection;

class CProjectionCollection : public CTarget {
    VOXMILL_DECLARE_DYNAMIC(CProjectionCollection)

public:
    static constexpr double kOrbitRadius = 4.0;

    // What a multi-file raw import did.
    struct RawFilesReport {
        enum Status {
            imported,         // the files were read (some may have been dropped)
            unequalLengths,   // nothing imported, no geometry changed
            emptyFirstFile,   // nothing imported; the members were re-posed
        };
        Status status = imported;
        std::size_t importedCount = 0;
        std::vector<std::string> dropped;   // "path: reason" for unreadable files
        std::vector<std::string> inPlace;   // read, but their .PRJ could not be written
    };

    CProjectionCollection();
    ~CProjectionCollection() override;

    std::uint16_t GetTargetType() const override { return kTargetProjectionCollection; }

    // The Projection template every member's element is attached to
    // (without entering its document list); set once by the application.
    static void SetProjectionTemplate(CDocTemplate* pTemplate);
    static CDocTemplate* GetProjectionTemplate();

    // --- members ---
    // Appends a stub holding `projection`, which the collection now owns.
    CListElementStub* AddMember(CProjection* projection);
    // Appends a new empty projection (initialised as a new document).
    CListElementStub* NewProjection();
    // A new projection document attached to the Projection template, not
    // yet a member (imports fill it before anything is replaced).
    static std::unique_ptr<CProjection> MakeMemberProjection();
    std::size_t GetCount() const { return m_members.size(); }
    CListElementStub* GetMember(std::size_t index) const;
    // The member's projection (loaded or not), or null.
    CProjection* GetProjection(std::size_t index) const;
    std::vector<CListElementStub*> GetMemberStubs() const override;
    void DeleteContents() override;

    // --- files ---
    // The .prs record, or the sinogram raw format while a Sinogram template
    // is attached (loading then needs the import values, see below).
    void Serialize(CArchive& ar) override;
    void StoreRecord(CArchive& ar);
    void LoadRecord(CArchive& ar);
    // The values a sinogram load through the template reads with; null
    // outside an import.
    const SinogramImport* m_pImportParams = nullptr;

    // --- operations of the collection window ---
    // Replaces the members by the `count` matrices of one raw file (in
    // place), then poses them on the circle. Throws, changing nothing,
    // when the values are unusable or the file is shorter than their read
    // length. The document path stays.
    void ImportSinogram(const std::string& path, const SinogramImport& values);
    // Dialog preset for the sinogram import.
    static SinogramImport ProposeSinogramImport(const std::string& path);
    // Appends one linked projection per raw file (its .prj written beside
    // it as "<raw path>.PRJ"), then poses all members on the circle. Files
    // of unequal length import nothing; unreadable files are dropped.
    RawFilesReport ImportRawFiles(const std::vector<std::string>& paths, const BinaryMatrixImport& values);
    // The common length of the files checked in order (a file of length 0
    // ends the check), or -1 when two lengths differ: the multi-file
    // import's precondition and the dialog's preset.
    static std::int64_t CommonRawFileLength(const std::vector<std::string>& paths);
    // Member i of N at i x 360 / N degrees: source R (0, 0, 4), detector
    // centre R (0, 0, -4), H = R (1, 0, 0), V = R (0, 1, 0), with the image's
    // own size and counts. Linked members are written back to their files,
    // so the geometry survives the next load.
    void ApplyCircularGeometry();
    // All members' pixels as float32, back to back. Throws (an existing
    // file kept) when a member cannot be loaded or has no image.
    void ExportSinogram(const std::string& path);

    void* GetInterface(REFIID iid) override;
    IProjectionCollection* GetCollectionInterface() { return &m_xCollection; }

private:
    class XProjectionCollection : public IProjectionCollection {
    public:
        explicit XProjectionCollection(CProjectionCollection* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG AddRef() override { return ++m_refs; }
        ULONG Release() override { return m_refs > 1 ? --m_refs : 1; }
        HRESULT IsValid(LONG* valid) override;
        HRESULT GetCount(LONG* count) override;
        HRESULT GetItem(LONG index, IListElement** item) override;

    private:
        CProjectionCollection* m_pOwner;
        ULONG m_refs = 1;
    };

    void StoreSinogram(CArchive& ar);
    void LoadSinogram(CArchive& ar, const SinogramImport& values);
    // Reads the sinogram into new projections, appended on success only.
    std::vector<std::unique_ptr<CProjection>> ReadSinogram(CArchive& ar, const SinogramImport& values);
    // Fills a linked member's cached description and thumbnail when they
    // are missing and its file can be read.
    void FillCache(CListElementStub& stub);
    void RemoveMember(std::size_t index);

    std::vector<std::unique_ptr<CListElementStub>> m_members;
    XProjectionCollection m_xCollection{this};
};

}  // namespace voxmill
