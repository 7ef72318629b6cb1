#include "reconstruction/ui/SliceCollectionView.h"

#include "app/ListElementStub.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"

namespace voxmill {

CSliceCollectionView::CSliceCollectionView(QWidget* parent)
    : CMemberListView({QStringLiteral("Slices"),
                       QStringLiteral("Add Slice"),
                       {QStringLiteral("Axis")},
                       {kAxisColumnWidth},
                       kThumbnailSize,
                       32,
                       QStringLiteral("slice"),
                       QStringLiteral("slice"),
                       kSliceTemplate},
                      parent) {}

CSliceCollectionView::~CSliceCollectionView() { DetachFromDocument(); }

CSliceCollection* CSliceCollectionView::GetCollection() const { return dynamic_cast<CSliceCollection*>(GetDocument()); }

std::size_t CSliceCollectionView::MemberCount() const {
    const CSliceCollection* collection = GetCollection();
    return collection ? collection->GetCount() : 0;
}

CListElementStub* CSliceCollectionView::Member(std::size_t index) const {
    const CSliceCollection* collection = GetCollection();
    return collection ? collection->GetEntry(index) : nullptr;
}

CDocument* CSliceCollectionView::MemberDocument(std::size_t index) const {
    const CSliceCollection* collection = GetCollection();
    return collection ? collection->GetSlice(index) : nullptr;
}

// A linked slice whose file cannot be read shows "n/a" without caching it.
QString CSliceCollectionView::MemberText(std::size_t index) const {
    CSliceCollection* collection = GetCollection();
    return collection ? QString::fromStdString(collection->EntryDescription(index)) : QString();
}

}  // namespace voxmill
