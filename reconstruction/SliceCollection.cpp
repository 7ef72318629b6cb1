#include "reconstruction/SliceCollection.h"

#include <filesystem>
#include <new>
#include <stdexcept>

#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/archive/Archive.h"
#include "reconstruction/Slice.h"

namespace voxmill {
namespace {

// The smallest entry record: a reference tag, the linked flag and a null
// slice; a count that could not fit is refused before anything is made.
constexpr std::uint32_t kMinEntryBytes = 8;

CDocTemplate*& SliceTemplate() {
    static CDocTemplate* pTemplate = nullptr;
    return pTemplate;
}

// Holds an entry's slice loaded for the scope, unloading it only when it
// was not loaded before (a slice shown in a window stays loaded).

}  // namespace

VOXMILL_IMPLEMENT_DYNCREATE(CSliceCollection, CTarget)

CSliceCollection::CSliceCollection() = default;

CSliceCollection::~CSliceCollection() { DeleteContents(); }

void CSliceCollection::SetSliceTemplate(CDocTemplate* pTemplate) { SliceTemplate() = pTemplate; }

CDocTemplate* CSliceCollection::GetSliceTemplate() { return SliceTemplate(); }

void CSliceCollection::SetAxis(std::uint32_t axis) {
    if (axis >= kSliceAxisCount)
        throw std::invalid_argument("slice axis " + std::to_string(axis) + " is none of X (0), Y (1), Z (2)");
    m_axis = axis;
}

// --- entries -------------------------------------------------------------------

std::unique_ptr<CSlice> CSliceCollection::MakeSlice() {
    auto slice = std::make_unique<CSlice>();
    // Tied without entering the template's list: the collection, not the
    // template, owns it.
    slice->SetDocTemplate(SliceTemplate());
    slice->OnNewDocument();
    slice->m_bAutoDelete = false;
    return slice;
}

CListElementStub* CSliceCollection::AddSlice() {
    try {
        std::unique_ptr<CSlice> slice = MakeSlice();
        auto entry = std::make_unique<CListElementStub>();
        m_entries.reserve(m_entries.size() + 1);  // so that the push below cannot throw
        entry->m_pElement = slice.release();
        m_entries.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return m_entries.back().get();
}

CListElementStub* CSliceCollection::GetEntry(std::size_t index) const {
    return index < m_entries.size() ? m_entries[index].get() : nullptr;
}

std::vector<CListElementStub*> CSliceCollection::GetMemberStubs() const {
    std::vector<CListElementStub*> stubs;
    stubs.reserve(m_entries.size());
    for (const auto& entry : m_entries) stubs.push_back(entry.get());
    return stubs;
}

CSlice* CSliceCollection::GetSlice(std::size_t index) const {
    CListElementStub* entry = GetEntry(index);
    CListElement* element = entry ? entry->GetElement() : nullptr;
    return element && element->IsKindOf(RUNTIME_CLASS(CSlice)) ? static_cast<CSlice*>(element) : nullptr;
}

std::string CSliceCollection::EntryDescription(std::size_t index) {
    CListElementStub* entry = GetEntry(index);
    if (!entry || !entry->CanHaveElement()) return "n/a";
    if (entry->m_strDescription.empty()) {
        LoadedScope loaded(*entry);
        if (!loaded.Loaded()) return "n/a";
        return entry->GetCachedDescription();
    }
    return entry->m_strDescription;
}

void CSliceCollection::RemoveEntry(std::size_t index) {
    CListElementStub& entry = *m_entries[index];
    if (CListElement* slice = entry.m_pElement) {
        entry.m_pElement = nullptr;
        slice->SetDocTemplate(nullptr);
        slice->OnCloseDocument();  // closes its windows and deletes its contents
        delete slice;
    }
    entry.OnCloseDocument();
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
}

void CSliceCollection::DeleteContents() {
    while (!m_entries.empty()) RemoveEntry(m_entries.size() - 1);
    CTarget::DeleteContents();
}

bool CSliceCollection::OnNewDocument() {
    if (!CTarget::OnNewDocument()) return false;
    m_axis = kSliceAxisX;
    return true;
}

// --- files -----------------------------------------------------------------------

void CSliceCollection::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        StoreRecord(ar);
    else
        LoadRecord(ar);
}

void CSliceCollection::StoreRecord(CArchive& ar) {
    CTarget::Serialize(ar);
    ar.WriteDword(m_axis);
    ar.WriteCount(static_cast<std::uint32_t>(m_entries.size()));
    for (const auto& entry : m_entries) ar.WriteObject(entry.get());
}

void CSliceCollection::LoadRecord(CArchive& ar) {
    CTarget::Serialize(ar);
    const std::uint32_t axis = ar.ReadDword();
    if (axis >= kSliceAxisCount)
        ar.Fail(CArchiveException::generic, "collection axis " + std::to_string(axis) + " is none of X, Y, Z");
    m_axis = axis;
    const std::uint32_t count = ar.ReadCount(kMinEntryBytes, "slices");
    if (count > CListElementStub::kMaxMembers)
        ar.Fail(CArchiveException::generic, "the collection lists " + std::to_string(count) +
                                                " slices, more than the " +
                                                std::to_string(CListElementStub::kMaxMembers) + " allowed");
    m_entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        CListElementStub* entry = ar.ReadOwnedObjectAs<CListElementStub>();
        if (!entry) ar.Fail(CArchiveException::badIndex, "slice " + std::to_string(i) + " is a null reference");
        m_entries.emplace_back(entry);  // owned from here, also when a check below fails
        if (entry->m_bLinked) {
            // The empty slice its file is read into is made on first use.
            entry->SetElementFactory([]() -> CListElement* { return MakeSlice().release(); });
            continue;
        }
        if (!entry->m_pElement) continue;
        if (!entry->m_pElement->IsKindOf(RUNTIME_CLASS(CSlice)))
            ar.Fail(CArchiveException::badClass, "entry " + std::to_string(i) + " holds a " +
                                                     entry->m_pElement->GetRuntimeClass()->m_lpszClassName +
                                                     ", not a slice");
        entry->m_pElement->SetDocTemplate(SliceTemplate());
        entry->m_pElement->m_bAutoDelete = false;
    }
}

// --- exports ---------------------------------------------------------------------

void CSliceCollection::ExportSliceBitmap(std::size_t index, const std::string& path, const GreySliders* sliders) {
    if (index >= m_entries.size())
        throw std::out_of_range("slice " + std::to_string(index) + " does not exist (the collection has " +
                                std::to_string(m_entries.size()) + ")");
    CListElementStub& entry = *m_entries[index];
    CSlice* slice = GetSlice(index);
    if (!slice) throw std::runtime_error("entry " + std::to_string(index) + " holds no slice");
    LoadedScope loaded(entry);
    if (!loaded.Loaded()) throw std::runtime_error("slice " + std::to_string(index) + ": cannot read " + entry.m_strPath);
    if (!slice->HasPixels()) throw std::runtime_error("slice " + std::to_string(index) + " has no image");
    if (sliders)
        slice->ExportWindowedBitmap(path, *sliders);
    else
        slice->ExportBitmap(path);
}

std::string CSliceCollection::BitmapFileName(std::size_t index, std::size_t count) {
    const std::size_t width = std::to_string(count > 0 ? count - 1 : 0).size();
    std::string number = std::to_string(index);
    if (number.size() < width) number.insert(0, width - number.size(), '0');
    if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
    return "slice-" + number + ".bmp";
}

std::vector<std::string> CSliceCollection::ExportSliceBitmaps(const std::string& folder,
                                                              const GreySliders* sliders) {
    std::filesystem::create_directories(folder);
    std::vector<std::string> written;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const std::string path = (std::filesystem::path(folder) / BitmapFileName(i, m_entries.size())).string();
        ExportSliceBitmap(i, path, sliders);
        written.push_back(path);
    }
    return written;
}

}  // namespace voxmill
