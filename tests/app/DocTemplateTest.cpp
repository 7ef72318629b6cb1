// Document templates: the seven-field document string, the document list,
// and template pointers that never outlive the template.
#include <gtest/gtest.h>

#include <memory>

#include "app/DocTemplate.h"
#include "app/DocumentEx.h"
#include "app/FrameWnd.h"

namespace voxmill::test {
namespace {

const char* const kPhantomString = "\nPhantom\nPhantom\nPhantom Files (*.pha)\n.PHA\nPhantom.Document\nPhantom Document";

std::unique_ptr<CDocTemplate> PhantomTemplate() {
    return std::make_unique<CDocTemplate>(130, kPhantomString, true, [] {
        auto* doc = new CDocumentEx;
        doc->m_bAutoDelete = false;
        return doc;
    });
}

TEST(DocTemplate, SevenFieldsOfTheDocumentString) {
    const auto tmpl = PhantomTemplate();
    EXPECT_EQ(tmpl->GetDocString(CDocTemplate::windowTitle), "");
    EXPECT_EQ(tmpl->GetDocString(CDocTemplate::docName), "Phantom");
    EXPECT_EQ(tmpl->GetDocString(CDocTemplate::fileNewName), "Phantom");
    EXPECT_EQ(tmpl->GetDocString(CDocTemplate::filterName), "Phantom Files (*.pha)");
    EXPECT_EQ(tmpl->GetDocString(CDocTemplate::filterExt), ".PHA");
    EXPECT_EQ(tmpl->GetDocString(CDocTemplate::regFileTypeId), "Phantom.Document");
    EXPECT_EQ(tmpl->GetDocString(CDocTemplate::regFileTypeName), "Phantom Document");
    EXPECT_EQ(tmpl->GetDocString(), kPhantomString);
    EXPECT_EQ(tmpl->GetResourceId(), 130u);
    EXPECT_TRUE(tmpl->IsRegistered());
}

TEST(DocTemplate, UntitledTitlesRunOnAndSkipTakenOnes) {
    const auto tmpl = PhantomTemplate();
    EXPECT_EQ(tmpl->NextUntitledTitle(), "Phantom1");
    std::unique_ptr<CDocument> listed(tmpl->CreateNewDocument());
    listed->SetTitle("Phantom3");
    EXPECT_EQ(tmpl->NextUntitledTitle(), "Phantom2");
    EXPECT_EQ(tmpl->NextUntitledTitle(), "Phantom4");  // Phantom3 is held
    // A document tied to the template without being listed (a member) takes no name.
    CDocumentEx member;
    member.SetDocTemplate(tmpl.get());
    member.SetTitle("Phantom5");
    EXPECT_EQ(tmpl->NextUntitledTitle(), "Phantom5");
    member.SetDocTemplate(nullptr);
    // A wanted title is kept unless another listed document holds it.
    EXPECT_EQ(tmpl->UniqueTitle("Phantom3", listed.get()), "Phantom3");
    EXPECT_EQ(tmpl->UniqueTitle("Phantom3", nullptr), "Phantom3 (2)");
    std::unique_ptr<CDocument> second(tmpl->CreateNewDocument());
    second->SetTitle("Phantom3 (2)");
    EXPECT_EQ(tmpl->UniqueTitle("Phantom3", nullptr), "Phantom3 (3)");
    EXPECT_EQ(tmpl->UniqueTitle("Phantom9", nullptr), "Phantom9");
    // Without a file-new name the document name serves; without either, nothing.
    CDocTemplate named(2, "\nVolume\n", false, nullptr);
    EXPECT_EQ(named.NextUntitledTitle(), "Volume1");
    CDocTemplate anonymous(3, "\n\n\n\n\n\n", false, nullptr);
    EXPECT_EQ(anonymous.NextUntitledTitle(), "");
}

TEST(DocTemplate, MissingFieldsAreEmpty) {
    CDocTemplate shortOne(1, "\nSlice\nSlice", false, nullptr);
    EXPECT_EQ(shortOne.GetDocString(CDocTemplate::fileNewName), "Slice");
    EXPECT_EQ(shortOne.GetDocString(CDocTemplate::filterName), "");
    EXPECT_EQ(shortOne.GetDocString(CDocTemplate::regFileTypeName), "");
    CDocTemplate empty(2, "", false, nullptr);
    EXPECT_EQ(empty.GetDocString(CDocTemplate::windowTitle), "");
    EXPECT_EQ(empty.GetDocString(CDocTemplate::docName), "");
    EXPECT_FALSE(empty.IsRegistered());
    EXPECT_EQ(empty.CreateNewDocument(), nullptr);  // no factory
    EXPECT_EQ(empty.CreateNewFrame(nullptr), nullptr);
}

TEST(DocTemplate, NewDocumentsJoinTheListAndLeaveItWhenDeleted) {
    const auto tmpl = PhantomTemplate();
    CDocument* a = tmpl->CreateNewDocument();
    CDocument* b = tmpl->CreateNewDocument();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->GetDocTemplate(), tmpl.get());
    EXPECT_EQ(tmpl->GetDocuments(), (std::vector<CDocument*>{a, b}));
    tmpl->AddDocument(a);  // already there
    EXPECT_EQ(tmpl->GetDocuments().size(), 2u);
    delete a;
    EXPECT_EQ(tmpl->GetDocuments(), std::vector<CDocument*>{b});
    delete b;
    EXPECT_TRUE(tmpl->GetDocuments().empty());
}

TEST(DocTemplate, RemoveDocumentKeepsTheTemplatePointer) {
    const auto tmpl = PhantomTemplate();
    std::unique_ptr<CDocument> doc(tmpl->CreateNewDocument());
    tmpl->RemoveDocument(doc.get());
    EXPECT_TRUE(tmpl->GetDocuments().empty());
    EXPECT_EQ(doc->GetDocTemplate(), tmpl.get());
    doc.reset();  // leaving a list it is no longer in is harmless
    EXPECT_TRUE(tmpl->GetDocuments().empty());
}

TEST(DocTemplate, DocumentsOutlivingTheirTemplateLoseThePointer) {
    // In the list, removed from it (an operator's target), and attached
    // without joining it (a collection's element).
    auto tmpl = PhantomTemplate();
    std::unique_ptr<CDocument> listed(tmpl->CreateNewDocument());
    std::unique_ptr<CDocument> removed(tmpl->CreateNewDocument());
    tmpl->RemoveDocument(removed.get());
    auto attached = std::make_unique<CDocumentEx>();
    attached->SetDocTemplate(tmpl.get());
    EXPECT_EQ(tmpl->GetDocuments(), std::vector<CDocument*>{listed.get()});
    tmpl.reset();
    EXPECT_EQ(listed->GetDocTemplate(), nullptr);
    EXPECT_EQ(removed->GetDocTemplate(), nullptr);
    EXPECT_EQ(attached->GetDocTemplate(), nullptr);
}

TEST(DocTemplate, ReattachingMovesTheDocumentBetweenTemplates) {
    auto first = PhantomTemplate();
    auto second = std::make_unique<CDocTemplate>(131, "\nSlice", false, nullptr);
    std::unique_ptr<CDocument> doc(first->CreateNewDocument());
    doc->SetDocTemplate(second.get());
    first.reset();  // no longer doc's template: must leave it alone
    EXPECT_EQ(doc->GetDocTemplate(), second.get());
    doc.reset();
    second.reset();
}

TEST(DocTemplate, FrameFactoryMakesFramesForDocuments) {
    struct Frame : CFrameWnd {
        void DestroyWindow() override {}
        CView* GetActiveView() const override { return nullptr; }
    };
    const auto tmpl = PhantomTemplate();
    EXPECT_FALSE(tmpl->HasFrameFactory());
    CDocument* seen = nullptr;
    Frame frame;
    tmpl->SetFrameFactory([&](CDocTemplate& t, CDocument* d) -> CFrameWnd* {
        EXPECT_EQ(&t, tmpl.get());
        seen = d;
        return &frame;
    });
    std::unique_ptr<CDocument> doc(tmpl->CreateNewDocument());
    EXPECT_EQ(tmpl->CreateNewFrame(doc.get()), &frame);
    EXPECT_EQ(seen, doc.get());
}

}  // namespace
}  // namespace voxmill::test
