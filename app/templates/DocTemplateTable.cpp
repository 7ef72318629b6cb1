#include "app/templates/DocTemplateTable.h"

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "hardware/Digitizer.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"
#include "imaging/Surface.h"
#include "imaging/processor/Processor.h"
#include "imaging/Surfacei.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Volume.h"

namespace voxmill {
namespace {

template <class Doc>
CDocument* Create() {
    return new Doc;
}

// Templates that only open special windows for existing documents.
constexpr const char* kNoDocString = "\n\n\n\n\n\n";

}  // namespace

const std::vector<DocTemplateRow>& DocTemplateTable() {
    static const std::vector<DocTemplateRow> rows = {
        {138, kNoDocString, false, nullptr},  // CTarget: the target view of any target document
        // Surfaces: the file types of image imports and exports.
        {144, "\nBitmap\nBitmap\nBitmap Files (*.bmp)\n.BMP\nBitmap.Document\nBitmap Document", false,
         &Create<CSurface>},
        {140,
         "\nBinary Matrix\nBinary Matrix\nBinary Matrix Raw Files (*.raw)\n.RAW\nBinaryMatrix.Document\nBinary Matrix "
         "Document",
         false, &Create<CSurface>},
        {149, "\nDicom 3\nDicom 3\nDicom 3 Files (*.pap)\n.PAP\nDicom3.Document\nDicom 3 Document", false,
         &Create<CSurface>},
        {150, "\nNCSA HDF\nNCSA HDF\nHdf Files (*.hdf)\n.HDF\nNCSAHDF.Document\nNCSA HDF Document", false,
         &Create<CSurface>},
        {152, "\nWindows Video\nWindows Video\nAVI Files (*.avi)\n.AVI\nWINAVI.Document\nWindows Video Document", false,
         &Create<CSurface>},
        {139, "\nSurface\nSurface\nSurface Raw Files (*.raw)\n.RAW\nSurface.Document\nSurface Document", false,
         &Create<CSurface>},
        {145, "\nSurfacei\nSurfacei\nSurfacei Raw Files (*.raw)\n.RAW\nSurfacei.Document\nSurfacei Document", false,
         &Create<CSurfacei>},
        {143, kNoDocString, false, nullptr},  // OpenGL preview: opened by code for its own document
        {142, "\nDigitizer\nDigitizer\nDigitizer Files (*.dig)\n.DIG\nDigitizer.Document\nDigitizer Document", true,
         &Create<CDigitizer>},
        {129, "\nProjection\nProjection\nProjection Files (*.prj)\n.PRJ\nProjection.Document\nProjection Document",
         true, &Create<CProjection>},
        {147, "\nSlide\nSlide\nSlide Files (*.sld)\n.SLD\nSlide.Document\nSlide Document", true, &Create<CSlide>},
        {141, "\nSinogram\nSinogram\nSinogram Raw Files (*.raw)\n.RAW\nSinogram.Document\nSinogram Document", false,
         &Create<CProjectionCollection>},
        {130,
         "\nProjection Collection\nProjection Collection\nProjection Collection Files "
         "(*.prs)\n.PRS\nProjectionCollection.Document\nProjection Collection Document",
         true, &Create<CProjectionCollection>},
        {146,
         "\nSlide Collection\nSlide Collection\nSlide Collection Files (*.sds)\n.SDS\nSlideCollection.Document\nSlide "
         "Collection Document",
         true, &Create<CSlideCollection>},
        {137, "\nSlice\nSlice\nSlice Files (*.slc)\n.SLC\nSlice.Document\nSlice Document", true, &Create<CSlice>},
        {133,
         "\nSlice Collection\nSlice Collection\nSlice Collection Files (*.sls)\n.SLS\nSliceCollection.Document\nSlice "
         "Collection Document",
         true, &Create<CSliceCollection>},
        {135, "\nPhantom\nPhantom\nPhantom Files (*.pha)\n.PHA\nPhantom.Document\nPhantom Document", true,
         &Create<CPhantom>},
        {136, kNoDocString, false, &Create<CPhantomElementEllipsoid>},  // element editing window
        {151, kNoDocString, false, &Create<CPhantomElementCylinder>},   // element editing window
        {131, "\nProjector\nProjector\nProjector Files  (*.pro)\n.PRO\nProjector.Document\nProjector Document", true,
         &Create<CProjector>},
        {134,
         "\nBackprojector\nBackprojector\nBackprojector Files (*.brp)\n.BRP\nBackprojector.Document\nBackprojector "
         "Document",
         true, &Create<CBackProjector>},
        {132, "\nVolume\nVolume\nVolume Files (*.vol)\n.VOL\nVolume.Document\nVolume Document", true, &Create<CVolume>},
        {148, "\nProcessor\nProcessor\nProcessor Files  (*.prc)\n.PRC\nProcessor.Document\nProcessor Document", true,
         &Create<CProcessor>},
    };
    return rows;
}

std::vector<std::unique_ptr<CDocTemplate>> CreateDocTemplates() {
    std::vector<std::unique_ptr<CDocTemplate>> templates;
    for (const DocTemplateRow& row : DocTemplateTable()) {
        CDocTemplate::DocumentFactory factory;
        if (row.create) factory = row.create;
        templates.push_back(std::make_unique<CDocTemplate>(row.resourceId, row.docString, row.registered, factory));
    }
    return templates;
}

}  // namespace voxmill
