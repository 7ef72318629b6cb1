// Documents, views and frames: the auto-delete rule, closing all views of
// a document frame by frame, updates, and the document's own file I/O.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "app/DocTemplate.h"
#include "app/DocumentEx.h"
#include "app/FrameWnd.h"
#include "app/View.h"
#include "app/archive/Archive.h"
#include "app/archive/ErrorSink.h"
#include "tests/common/ArchiveBytes.h"
#include "tests/common/TempDir.h"

namespace voxmill::test {
namespace {

using Log = std::vector<std::string>;

class FakeView : public CView {
public:
    FakeView(Log& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    ~FakeView() override {
        m_log.push_back("~" + m_name);
        DetachFromDocument();
    }
    void OnUpdate(CView* sender, long hint, CObject*) override {
        m_log.push_back("update " + m_name + " " + std::to_string(hint) + (sender ? " from a view" : ""));
    }

private:
    Log& m_log;
    std::string m_name;
};

// A window with one or more views (a splitter holds two).
class FakeFrame : public CFrameWnd {
public:
    FakeFrame(Log& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    FakeView* AddView(CDocument& doc, const std::string& viewName) {
        auto view = std::make_unique<FakeView>(m_log, viewName);
        view->SetParentFrame(this);
        doc.AddView(view.get());
        m_views.push_back(std::move(view));
        return m_views.back().get();
    }
    void DestroyWindow() override {
        m_log.push_back("destroy " + m_name);
        m_views.clear();
    }
    CView* GetActiveView() const override { return m_views.empty() ? nullptr : m_views.front().get(); }
    const std::string& name() const { return m_name; }

private:
    Log& m_log;
    std::string m_name;
    std::vector<std::unique_ptr<FakeView>> m_views;
};

class ProbeDocument : public CDocumentEx {
public:
    ProbeDocument(Log& log, bool& deleted) : m_log(log), m_deleted(deleted) { m_deleted = false; }
    ~ProbeDocument() override {
        m_log.push_back("~document");
        m_deleted = true;
    }
    void PreCloseFrame(CFrameWnd* frame) override {
        m_log.push_back("preclose " + static_cast<FakeFrame*>(frame)->name());
    }
    void DeleteContents() override {
        m_log.push_back("delete contents");
        m_payload.clear();
    }
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteString(m_payload);
            if (m_failHalfWay) throw std::runtime_error("half-way");
            ar.WriteInt(m_value);
        } else {
            m_payload = ar.ReadString();
            m_value = ar.ReadInt();
        }
    }

    std::string m_payload;
    int m_value = 0;
    bool m_failHalfWay = false;

private:
    Log& m_log;
    bool& m_deleted;
};

TEST(DocumentViews, LastViewLeavingDeletesAnAutoDeleteDocument) {
    Log log;
    bool deleted = false;
    auto* doc = new ProbeDocument(log, deleted);
    FakeFrame a(log, "a"), b(log, "b");
    FakeView* va = a.AddView(*doc, "va");
    b.AddView(*doc, "vb");
    EXPECT_EQ(va->GetDocument(), doc);
    EXPECT_EQ(doc->GetViews().size(), 2u);
    a.DestroyWindow();
    EXPECT_FALSE(deleted);
    b.DestroyWindow();
    EXPECT_TRUE(deleted);
}

TEST(DocumentViews, ClearedAutoDeleteKeepsTheDocument) {
    Log log;
    bool deleted = false;
    auto doc = std::make_unique<ProbeDocument>(log, deleted);
    doc->m_bAutoDelete = false;
    FakeFrame a(log, "a");
    a.AddView(*doc, "va");
    a.DestroyWindow();
    EXPECT_FALSE(deleted);
    EXPECT_TRUE(doc->GetViews().empty());
}

TEST(DocumentViews, AddingAViewTwiceKeepsOneEntry) {
    Log log;
    bool deleted = false;
    auto doc = std::make_unique<ProbeDocument>(log, deleted);
    doc->m_bAutoDelete = false;
    FakeFrame a(log, "a");
    FakeView* v = a.AddView(*doc, "v");
    doc->AddView(v);
    EXPECT_EQ(doc->GetViews().size(), 1u);
    doc->RemoveView(v);
    EXPECT_EQ(v->GetDocument(), nullptr);
    doc->RemoveView(v);  // not there any more: nothing happens
}

TEST(DocumentViews, CloseAllViewsClosesFrameByFrameAndKeepsAClearedDocument) {
    Log log;
    bool deleted = false;
    auto doc = std::make_unique<ProbeDocument>(log, deleted);
    FakeFrame a(log, "a"), b(log, "b"), c(log, "c");
    a.AddView(*doc, "va");
    b.AddView(*doc, "vb");
    c.AddView(*doc, "vc");
    doc->m_bAutoDelete = false;  // the caller keeps the document
    doc->CloseAllViews();
    doc->m_bAutoDelete = true;
    EXPECT_FALSE(deleted);
    EXPECT_TRUE(doc->GetViews().empty());
    EXPECT_EQ(log, (Log{"preclose a", "destroy a", "~va", "preclose b", "destroy b", "~vb", "preclose c", "destroy c",
                        "~vc"}));
    doc->m_bAutoDelete = false;
}

TEST(DocumentViews, CloseAllViewsDeletesAnAutoDeleteDocumentWithItsLastView) {
    Log log;
    bool deleted = false;
    auto* doc = new ProbeDocument(log, deleted);
    FakeFrame a(log, "a"), b(log, "b");
    a.AddView(*doc, "va");
    b.AddView(*doc, "vb");
    CDocumentEx::CloseAllViews(*doc);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(log, (Log{"preclose a", "destroy a", "~va", "preclose b", "destroy b", "~vb", "delete contents",
                        "~document"}));
}

TEST(DocumentViews, CloseAllViewsOnAFrameWithTwoViews) {
    // One frame holds both views: destroying it takes the document's last
    // two views at once, and the document may be gone afterwards.
    for (bool autoDelete : {true, false}) {
        SCOPED_TRACE(autoDelete ? "auto-delete" : "kept");
        Log log;
        bool deleted = false;
        auto* doc = new ProbeDocument(log, deleted);
        doc->m_bAutoDelete = autoDelete;
        FakeFrame split(log, "split"), other(log, "other");
        other.AddView(*doc, "v0");
        split.AddView(*doc, "v1");
        split.AddView(*doc, "v2");
        CDocumentEx::CloseAllViews(*doc);
        EXPECT_EQ(deleted, autoDelete);
        EXPECT_EQ(std::count(log.begin(), log.end(), "preclose split"), 1);
        EXPECT_EQ(std::count(log.begin(), log.end(), "preclose other"), 1);
        if (!autoDelete) {
            EXPECT_TRUE(doc->GetViews().empty());
            delete doc;
        }
    }
}

TEST(DocumentViews, CloseAllViewsRemovesViewsWithoutAFrame) {
    Log log;
    bool deleted = false;
    auto doc = std::make_unique<ProbeDocument>(log, deleted);
    doc->m_bAutoDelete = false;
    FakeView loose(log, "loose");
    doc->AddView(&loose);
    doc->CloseAllViews();
    EXPECT_TRUE(doc->GetViews().empty());
    EXPECT_EQ(loose.GetDocument(), nullptr);
}

TEST(DocumentViews, UpdateAllViewsSkipsTheSender) {
    Log log;
    bool deleted = false;
    auto doc = std::make_unique<ProbeDocument>(log, deleted);
    doc->m_bAutoDelete = false;
    FakeFrame f(log, "f");
    FakeView* a = f.AddView(*doc, "a");
    f.AddView(*doc, "b");
    doc->UpdateAllViews(a, 108);
    doc->UpdateAllViews(nullptr, 3);
    EXPECT_EQ(log, (Log{"update b 108 from a view", "update a 3", "update b 3"}));
    f.DestroyWindow();
}

TEST(DocumentViews, OnCloseDocumentClosesEveryFrameOnce) {
    Log log;
    bool deleted = false;
    auto* doc = new ProbeDocument(log, deleted);
    FakeFrame split(log, "split"), b(log, "b");
    split.AddView(*doc, "v1");
    split.AddView(*doc, "v2");
    b.AddView(*doc, "v3");
    doc->OnCloseDocument();
    EXPECT_TRUE(deleted);
    EXPECT_EQ(log, (Log{"preclose split", "destroy split", "~v1", "~v2", "preclose b", "destroy b", "~v3",
                        "delete contents", "~document"}));
}

TEST(DocumentViews, DeletedDocumentDetachesItsViews) {
    Log log;
    bool deleted = false;
    FakeFrame f(log, "f");
    FakeView* v;
    {
        auto doc = std::make_unique<ProbeDocument>(log, deleted);
        doc->m_bAutoDelete = false;
        v = f.AddView(*doc, "v");
    }
    EXPECT_EQ(v->GetDocument(), nullptr);
    f.DestroyWindow();  // the view no longer reaches the deleted document
}

TEST(DocumentPaths, TitleIsTheFileNameAndOnlyAskedPathsReachTheRecentList) {
    Log recent;
    CDocument::SetRecentFileSink([&](const std::string& p) { recent.push_back(p); });
    Log log;
    bool deleted = false;
    ProbeDocument doc(log, deleted);
    doc.m_bAutoDelete = false;
    doc.SetPathName("/data/run 1/phantom.pha");
    EXPECT_EQ(doc.GetTitle(), "phantom.pha");
    EXPECT_EQ(doc.GetPathName(), "/data/run 1/phantom.pha");
    doc.SetPathName("/data/other.pha", false);
    EXPECT_EQ(doc.GetTitle(), "other.pha");
    EXPECT_EQ(recent, Log{"/data/run 1/phantom.pha"});
    CDocument::SetRecentFileSink(nullptr);
}

TEST(DocumentFiles, SaveAndOpenRoundTrip) {
    TempDir dir;
    Log log;
    bool deleted = false;
    ProbeDocument doc(log, deleted);
    doc.m_bAutoDelete = false;
    doc.m_payload = "abc";
    doc.m_value = 9;
    doc.SetModifiedFlag();
    ASSERT_TRUE(doc.OnSaveDocument(dir.File("a.doc")));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "a.doc");
    EXPECT_EQ(ReadBytes(dir.File("a.doc")), Cat({B({3}), Text("abc"), Le32(9)}));

    ProbeDocument back(log, deleted);
    back.m_bAutoDelete = false;
    ASSERT_TRUE(back.OnOpenDocument(dir.File("a.doc")));
    EXPECT_EQ(back.m_payload, "abc");
    EXPECT_EQ(back.m_value, 9);
    EXPECT_EQ(back.GetPathName(), dir.File("a.doc"));
}

TEST(DocumentFiles, FailedSaveKeepsThePreviousFileByteForByte) {
    TempDir dir;
    Log log;
    bool deleted = false;
    ProbeDocument doc(log, deleted);
    doc.m_bAutoDelete = false;
    doc.m_payload = "first";
    ASSERT_TRUE(doc.OnSaveDocument(dir.File("a.doc")));
    const Bytes before = ReadBytes(dir.File("a.doc"));

    ClearLastReportedError();
    doc.m_payload.assign(100000, 'x');  // more than the buffer reaches the temporary file
    doc.m_failHalfWay = true;
    doc.SetModifiedFlag();
    EXPECT_FALSE(doc.OnSaveDocument(dir.File("a.doc")));
    EXPECT_NE(LastReportedError().find("Cannot save"), std::string::npos) << LastReportedError();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(ReadBytes(dir.File("a.doc")), before);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.doc"});
    EXPECT_THROW(doc.Save(dir.File("a.doc")), std::runtime_error);
    EXPECT_EQ(ReadBytes(dir.File("a.doc")), before);
}

TEST(DocumentFiles, FailedOpenReportsAndClearsTheDocument) {
    TempDir dir;
    WriteBytes(dir.File("bad.doc"), B({0x05, 'a'}));
    Log log;
    bool deleted = false;
    ProbeDocument doc(log, deleted);
    doc.m_bAutoDelete = false;
    doc.m_payload = "old";
    ClearLastReportedError();
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("bad.doc")));
    EXPECT_NE(LastReportedError().find("archive error at byte 1"), std::string::npos) << LastReportedError();
    EXPECT_TRUE(doc.m_payload.empty());
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("missing.doc")));
    EXPECT_THROW(doc.Open(dir.File("missing.doc")), CFileException);
}

}  // namespace
}  // namespace voxmill::test
