// The document kinds of slides and cines in the template table: their rows
// in creation order, their document strings, the documents they make and
// the storage format each type selects.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/templates/DocTemplateTable.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"
#include "imaging/Surfacei.h"

namespace voxmill {
namespace {

TEST(TemplateRows, TableIsCompleteInCreationOrder) {
    std::vector<unsigned> ids;
    for (const DocTemplateRow& row : DocTemplateTable()) ids.push_back(row.resourceId);
    const std::vector<unsigned> expected = {138, 144, 140, 149, 150, 152, 139, 145, 143, 142, 129, 147,
                                            141, 130, 146, 137, 133, 135, 136, 151, 131, 134, 132, 148};
    EXPECT_EQ(ids, expected);
}

TEST(TemplateRows, SlideKindsMakeTheirDocuments) {
    const auto templates = CreateDocTemplates();
    auto find = [&](unsigned id) {
        const auto it =
            std::find_if(templates.begin(), templates.end(), [id](const auto& t) { return t->GetResourceId() == id; });
        return it == templates.end() ? nullptr : it->get();
    };
    struct Expected {
        unsigned id;
        const char* name;
        const char* filter;
        const char* type;
        bool registered;
    };
    for (const Expected& e :
         {Expected{145, "Surfacei", "Surfacei Raw Files (*.raw)", "Surfacei.Document", false},
          Expected{147, "Slide", "Slide Files (*.sld)", "Slide.Document", true},
          Expected{146, "Slide Collection", "Slide Collection Files (*.sds)", "SlideCollection.Document", true},
          Expected{152, "Windows Video", "AVI Files (*.avi)", "WINAVI.Document", false},
          Expected{150, "NCSA HDF", "Hdf Files (*.hdf)", "NCSAHDF.Document", false}}) {
        CDocTemplate* t = find(e.id);
        ASSERT_TRUE(t) << e.id;
        EXPECT_EQ(t->GetDocString(CDocTemplate::docName), e.name);
        EXPECT_EQ(t->GetDocString(CDocTemplate::filterName), e.filter);
        EXPECT_EQ(t->GetDocString(CDocTemplate::regFileTypeId), e.type);
        EXPECT_EQ(t->IsRegistered(), e.registered) << e.id;
    }
    std::unique_ptr<CDocument> slide(find(147)->CreateNewDocument());
    EXPECT_TRUE(dynamic_cast<CSlide*>(slide.get()));
    std::unique_ptr<CDocument> cine(find(146)->CreateNewDocument());
    EXPECT_TRUE(dynamic_cast<CSlideCollection*>(cine.get()));
    std::unique_ptr<CDocument> image(find(145)->CreateNewDocument());
    auto* surfacei = dynamic_cast<CSurfacei*>(image.get());
    ASSERT_TRUE(surfacei);
    EXPECT_EQ(surfacei->GetStorageFormat(), CSurfacei::StorageFormat::native);
    surfacei->SetDocTemplate(find(140));
    EXPECT_EQ(surfacei->GetStorageFormat(), CSurfacei::StorageFormat::binaryMatrix);
    surfacei->SetDocTemplate(find(144));
    EXPECT_EQ(surfacei->GetStorageFormat(), CSurfacei::StorageFormat::bitmap);
}

}  // namespace
}  // namespace voxmill
