// A cine: the ordered slides of one acquisition with real frames. A target
// (type 105) whose members are CSlide documents, each held by a
// CListElementStub in place (inside the .sds file) or linked to a .sld
// file of its own. The collection owns its stubs and their slides; slides
// are tied to the "Slide" template and have auto-delete cleared.
//
// .sds record: the target record, a count (at most
// CListElementStub::kMaxMembers), then one member reference per slide; a
// linked slide's document is made when the slide is first used. Linked
// slides written while the cine has a file are staged (CTarget::
// StageLinkedMember) and put in place by its next save, all or nothing.
// Cines come in from one raw file of frames back to back or from one raw
// file per frame, go out as one raw byte stream or an AVI video, and with a
// reference cine taken without the object become a projection collection
// of line integrals.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/SinogramImport.h"
#include "app/Target.h"

namespace voxmill {

class CDocTemplate;
class CListElementStub;
class CProjectionCollection;
class CSlide;

class CSlideCollection : public CTarget {
    VOXMILL_DECLARE_SERIAL(CSlideCollection)

public:
    static constexpr double kOrbitRadius = 4.0;
    // The AVI stream: scale 10 over a rate of the slide count, so every
    // cine plays for 10 seconds.
    static constexpr std::uint32_t kAviScale = 10;
    static constexpr const char* kAviStreamName = "Cine by Voxmill";

    // What a multi-file raw import did.
    struct RawFilesReport {
        std::size_t importedCount = 0;
        std::vector<std::string> dropped;  // "path: reason" for unreadable files
        std::vector<std::string> inPlace;  // read, but their .SLD could not be written
    };

    // What "Generate Projections" made; `collection` is null when the
    // reference cine's length differs (nothing is made then).
    struct ProjectionsReport {
        std::unique_ptr<CProjectionCollection> collection;
        std::vector<std::string> skipped;         // "slide k: reason" for pairs left out
        std::vector<std::string> unwrittenFiles;  // linked members kept in place
    };

    CSlideCollection();
    ~CSlideCollection() override;

    std::uint16_t GetTargetType() const override { return kTargetSlideCollection; }

    // The "Slide" template every slide is tied to (without entering its
    // document list); set once by the application.
    static void SetSlideTemplate(CDocTemplate* pTemplate);
    static CDocTemplate* GetSlideTemplate();

    // --- members ---
    // "Add Slide": appends a new empty slide.
    CListElementStub* AddSlide();
    std::size_t GetCount() const { return m_members.size(); }
    CListElementStub* GetMember(std::size_t index) const;
    // The member's slide (loaded or not), or null.
    CSlide* GetSlide(std::size_t index) const;
    std::vector<CListElementStub*> GetMemberStubs() const override;
    // "Remove Selected": the members at these indices (any order, repeats
    // and indices past the end ignored). "Remove All" is DeleteContents.
    void RemoveMembers(std::vector<std::size_t> indices);
    void DeleteContents() override;

    // --- files ---
    // The .sds record, or the cine raw format while a Sinogram template is
    // attached (storing only; the import reads through ImportCine).
    void Serialize(CArchive& ar) override;
    void StoreRecord(CArchive& ar);
    void LoadRecord(CArchive& ar);

    // --- imports ---
    // "Cine Binary Matrix": replaces the members by `count` frames read
    // back to back after skipping the offset once, each element reduced to
    // a byte, in place. Throws, changing nothing, when the values are
    // unusable or the file is shorter than their read length.
    void ImportCine(const std::string& path, const SinogramImport& values);
    // Dialog preset: "IEEE Float", both counts trunc(sqrt(length / 4)), one frame.
    static SinogramImport ProposeCineImport(const std::string& path);
    // "Binary Matrix" (several files): one linked slide per file, written to
    // "<file>.SLD" beside it, then every slide posed on the full circle.
    // Unreadable files are dropped and reported.
    RawFilesReport ImportRawFiles(const std::vector<std::string>& paths, const BinaryMatrixImport& values);
    // Slide k of n at k x 360 / n degrees on a circle of radius 4 around +y,
    // with its own size and counts; linked slides are written back.
    void ApplyCircularGeometry();

    // --- exports ---
    // "Cine Binary Matrix (Unsigned Byte)": every slide's bytes in list
    // order, slides without pixels left out. Throws (an existing file kept)
    // when a linked slide cannot be read.
    void ExportCine(const std::string& path);
    // "Cine Windows AVI": one 8-bit palettised frame per slide with pixels,
    // each slide's own full-range picture, at scale 10 and a rate of the
    // member count. The stream format comes from the first slide that has
    // pixels; throws (an existing file kept) when no slide has any, when a
    // later picture has another size, or when a linked slide cannot be read.
    void ExportAvi(const std::string& path);

    // --- projections ---
    // "Generate Projections" against `reference`: pair k of both cines gives
    // projection k (slides without pixels, or a smaller reference, leave
    // their pair out). With a linked path, each projection is written to
    // "<path>.<k>.PRJ" and the collection is given that path.
    ProjectionsReport GenerateProjections(CSlideCollection& reference, const std::string& linkedPath = {});
    // Loads a reference cine from an .sds file and calls the above.
    ProjectionsReport GenerateProjections(const std::string& referencePath, const std::string& linkedPath = {});

private:
    static std::unique_ptr<CSlide> MakeSlide();
    CListElementStub* AddMember(CSlide* slide);
    void RemoveMember(std::size_t index);
    // Loads a member for a moment; throws when a linked file cannot be read.
    class MemberUse;
    std::vector<std::unique_ptr<CSlide>> ReadCine(CArchive& ar, const SinogramImport& values);
    void StoreCine(CArchive& ar);
    void FillCache(CListElementStub& stub);

    std::vector<std::unique_ptr<CListElementStub>> m_members;
};

}  // namespace voxmill
