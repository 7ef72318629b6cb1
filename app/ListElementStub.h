// The record a collection keeps for each member. The member lives either
// inside the collection's file ("in place") or in a file of its own
// ("linked"); the stub loads and unloads linked members on demand and
// caches a description and a 64 x 64 thumbnail so that a collection can be
// listed without opening member files. The element itself belongs to the
// owning collection, not to the stub.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/Document.h"
#include "contract/ListElement.h"

namespace voxmill {

class CDib;
class CLinkedReplacement;
class CListElement;

class CListElementStub : public CDocument {
    VOXMILL_DECLARE_SERIAL(CListElementStub)

public:
    static constexpr int kThumbnailSize = 64;
    // The most members a collection file may list. Real acquisitions have a
    // few thousand projections and volumes a few thousand slices; a count
    // beyond this is damage, and is refused with a message when read.
    static constexpr std::uint32_t kMaxMembers = 65536;

    CListElementStub();
    ~CListElementStub() override;

    void Serialize(CArchive& ar) override;
    // Brings a linked element into memory; true when it is loaded afterwards.
    bool Load();
    // Releases a linked, loaded element's bulk data.
    void Unload();
    // Writes the loaded element to its file (atomically); false on failure.
    // While the stub takes part in a pending replacement, the file is the
    // staged one, which the collection's next save puts in place.
    bool Save();
    // Save in two halves, for a run that must write every member before it
    // changes any. WriteAside writes the loaded element to a new temporary
    // file beside the one Save would write and returns its name;
    // AdoptWritten then puts that file where Save would have put it (the
    // staged file while a replacement is pending). Both throw on failure
    // (AdoptWritten removing the file); a file not adopted is the caller's
    // to remove.
    std::string WriteAside();
    void AdoptWritten(const std::string& written);
    bool SetLinkPath(const std::string& path);
    // Makes the next saves of this linked member go through `replacement`
    // (null: straight to m_strPath). The collection hands its own.
    void SetReplacement(std::shared_ptr<CLinkedReplacement> replacement);
    // A linked member whose staged file is written by someone else (another
    // process of the same run): `path` becomes its file, the staged name is
    // recorded in the pending replacement and returned, and the member is
    // left unloaded, to be read from there. Empty when no replacement is
    // pending for it (StageLinkedMember first); throws CFileException when
    // the replacement's journal cannot record it.
    std::string AdoptStagedFile(const std::string& path);
    // Withdraws this member from its pending replacement (it is kept in
    // place instead of in the staged file).
    void DropStaging();
    // The file Load reads and Save writes: the staged file while one is
    // pending and written, m_strPath otherwise.
    std::string FilePath() const;

    // A linked member's element is made only when it is first needed (a
    // collection of many members costs its stubs, not their documents):
    // the owning collection hands a factory for the empty element.
    using ElementFactory = CListElement* (*)();
    void SetElementFactory(ElementFactory factory) { m_pfnMakeElement = factory; }
    // The element, made first when only the factory exists; null when neither.
    CListElement* GetElement();
    bool CanHaveElement() const { return m_pElement || m_pfnMakeElement; }
    const std::string& GetCachedDescription();
    CDib* GetCachedThumbnail();
    void DeleteContents() override;

    // The member interface; its QueryInterface loads the member first and
    // answers from the element's interfaces before the stub's own. A linked
    // member whose file cannot be read answers for the stub alone, so a
    // consumer skips it instead of working on an empty element.
    IListElement* GetListElement() { return &m_xListElement; }
    // The stub behind a member interface this program handed out; null for
    // any other object.
    static CListElementStub* FromListElement(IListElement* item);
    // Whether the last Load of this linked member failed (its file missing
    // or unreadable); a successful Load clears it.
    bool LoadFailed() const { return m_bLoadFailed; }
    // Whether the element's own fields (its geometry and what its
    // description is made of, not its bulk data) are in memory: it is
    // loaded, or it was and Unload kept them. Lists read full-precision
    // values from such an element rather than from the cached text.
    bool HoldsElementFields() const { return m_pElement && (m_bLoaded || m_bReleased); }
    void ClearLoadFailed() { m_bLoadFailed = false; }
    void* GetInterface(REFIID iid) override;

    std::string m_strDescription;
    std::unique_ptr<CDib> m_pThumbnail;
    bool m_bLinked = false;
    bool m_bLoaded = true;
    std::string m_strPath;
    CListElement* m_pElement = nullptr;

private:
    // Reference counts are the document's; its life is the collection's
    // business, so Release never deletes.
    class XListElement : public IListElement {
    public:
        explicit XListElement(CListElementStub* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG AddRef() override { return ++m_pOwner->m_refs; }
        ULONG Release() override { return m_pOwner->m_refs > 1 ? --m_pOwner->m_refs : 1; }
        HRESULT Load() override;
        HRESULT Unload() override;
        CListElementStub* Owner() const { return m_pOwner; }

    private:
        CListElementStub* m_pOwner;
    };

    XListElement m_xListElement{this};
    ULONG m_refs = 1;
    ElementFactory m_pfnMakeElement = nullptr;
    std::shared_ptr<CLinkedReplacement> m_pReplacement;
    std::string m_strStagedPath;  // empty until the first save under m_pReplacement
    bool m_bLoadFailed = false;
    bool m_bReleased = false;  // Unload released a read element's bulk data
};

// Loads an entry for the length of a scope and unloads it again unless it
// was loaded before.
class LoadedScope {
public:
    explicit LoadedScope(CListElementStub& entry) : m_entry(entry), m_wasLoaded(entry.m_bLoaded) {
        m_loaded = entry.Load();
    }
    ~LoadedScope() {
        if (!m_wasLoaded) m_entry.Unload();
    }
    LoadedScope(const LoadedScope&) = delete;
    LoadedScope& operator=(const LoadedScope&) = delete;
    bool Loaded() const { return m_loaded; }

private:
    CListElementStub& m_entry;
    bool m_wasLoaded;
    bool m_loaded = false;
};

}  // namespace voxmill
