#include "reconstruction/ui/SliceCollectionView.h"

#include <QMenu>

#include "app/ListElementStub.h"
#include "formats/DocumentExports.h"
#include "formats/PngImage.h"
#include "formats/ui/StackExportMenu.h"
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
                      parent),
      m_pExportMenu(new QMenu(QStringLiteral("Export"), this)) {
    const auto slices = [this]() -> CSliceCollection& { return *GetCollection(); };
    m_pStackExports = new CStackExportMenu(
        m_pExportMenu, this, QStringLiteral("slice collection"),
        {{StackFormat::hdf5, [slices](const std::string& p) { ExportSlicesHdf5(slices(), p); }},
         {StackFormat::tiff, [slices](const std::string& p) { ExportSlicesTiff(slices(), p); }},
         {StackFormat::pngMontage, [slices](const std::string& p) { WritePng(MontagePicture(slices(), {}), p); }}});
    connect(m_pExportMenu, &QMenu::aboutToShow, this, &CSliceCollectionView::UpdateCommandState);
}

void CSliceCollectionView::UpdateCommandState() {
    const CSliceCollection* slices = GetCollection();
    m_pStackExports->SetEnabled(slices && slices->GetCount() > 0);
}

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
