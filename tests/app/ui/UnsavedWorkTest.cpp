// The whole workbench guarding a user's work: every kind of document that
// holds unsaved work asks before its window closes and before File, Exit
// ends the program, and a file that does not open says which file and what
// is wrong with it in one message.
#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QtTest>

#include "app/DocTemplate.h"
#include "app/Document.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/MainFrame.h"
#include "app/ui/VoxmillApp.h"
#include "app/ui/WorkbenchFrames.h"
#include "app/View.h"
#include "imaging/dib/Dib.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "reconstruction/Volume.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

// Backprojector, volume, slice, projection.
const std::vector<unsigned> kKinds = {134, 132, 137, 129};

CChildFrame* FrameOf(const CDocument* doc) {
    return doc && !doc->GetViews().empty() ? dynamic_cast<CChildFrame*>(doc->GetViews().front()->GetParentFrame())
                                           : nullptr;
}

bool IsOpen(CVoxmillApp& app, const CDocument* doc) {
    const auto docs = app.GetDocManager()->GetDocuments();
    return std::find(docs.begin(), docs.end(), doc) != docs.end();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class UnsavedWorkTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
        m_newKind = std::make_unique<ScopedNewKind>("Phantom");
        m_app = std::make_unique<CVoxmillApp>(WorkbenchFrameTable());
        QVERIFY(m_app->InitInstance({"voxmill"}));
    }
    void cleanup() {
        {
            ScopedMessageBoxes boxes;
            boxes.answer = QMessageBox::No;
            m_app->GetMainFrame()->close();
        }
        m_app.reset();
        FlushDeletes();
        m_newKind.reset();
    }

    void eachKindWithUnsavedWorkAsksBeforeItsWindowCloses() {
        CMainFrame* frame = m_app->GetMainFrame();
        for (unsigned id : kKinds) {
            CDocument* doc = frame->NewDocument(*m_app->GetDocManager()->FindTemplate(id));
            QVERIFY2(doc, qPrintable(QString::number(id)));
            doc->SetModifiedFlag();
            const QString question = QStringLiteral("Save changes to %1?").arg(QString::fromStdString(doc->GetTitle()));
            QPointer<CChildFrame> window = FrameOf(doc);
            QVERIFY(window);

            ScopedMessageBoxes boxes;
            boxes.answer = QMessageBox::Cancel;
            window->close();
            FlushDeletes();
            QCOMPARE(boxes.texts, QStringList{question});
            QVERIFY(window && IsOpen(*m_app, doc));

            // File, Close asks the same.
            frame->MdiArea()->setActiveSubWindow(window);
            frame->OnFileClose();
            QCOMPARE(boxes.texts.size(), 2);
            QVERIFY(IsOpen(*m_app, doc));

            boxes.answer = QMessageBox::No;
            window->close();
            FlushDeletes();
            QVERIFY(!window);
            QVERIFY(!IsOpen(*m_app, doc));
        }
    }

    void theSetupOfAnOperatorCountsAsUnsavedWork() {
        CMainFrame* frame = m_app->GetMainFrame();
        for (unsigned id : {131u, 134u}) {  // projector, backprojector
            CDocument* doc = frame->NewDocument(*m_app->GetDocManager()->FindTemplate(id));
            QVERIFY(doc && !doc->IsModified());
            CChildFrame* window = FrameOf(doc);
            QLineEdit* edit = window->findChild<QLineEdit*>();
            QVERIFY(edit);
            edit->setFocus();
            QTest::keyClicks(edit, "1");
            QVERIFY2(doc->IsModified(), qPrintable(QString::number(id)));
            ScopedMessageBoxes boxes;
            boxes.answer = QMessageBox::Cancel;
            window->close();
            QCOMPARE(boxes.texts.size(), 1);
            QVERIFY(IsOpen(*m_app, doc));
        }
    }

    void fileExitAsksForEachKindAndCancelKeepsThemAll() {
        CMainFrame* frame = m_app->GetMainFrame();
        QStringList questions;
        std::vector<CDocument*> docs;
        for (unsigned id : kKinds) {
            CDocument* doc = frame->NewDocument(*m_app->GetDocManager()->FindTemplate(id));
            QVERIFY(doc);
            doc->SetModifiedFlag();
            docs.push_back(doc);
            questions << QStringLiteral("Save changes to %1?").arg(QString::fromStdString(doc->GetTitle()));
        }
        // An unmodified document goes without a question.
        QVERIFY(frame->NewDocument(*m_app->GetDocManager()->FindTemplate(132)));

        ScopedMessageBoxes boxes;
        boxes.answers = {QMessageBox::No, QMessageBox::No, QMessageBox::No, QMessageBox::Cancel};
        QCloseEvent exit;
        QCoreApplication::sendEvent(frame, &exit);
        QVERIFY(!exit.isAccepted());
        questions.sort();
        boxes.texts.sort();  // asked in the order of the document kinds
        QCOMPARE(boxes.texts, questions);
        for (CDocument* doc : docs) QVERIFY(IsOpen(*m_app, doc));

        boxes.texts.clear();
        boxes.answer = QMessageBox::No;
        QCloseEvent again;
        QCoreApplication::sendEvent(frame, &again);
        QVERIFY(again.isAccepted());
        boxes.texts.sort();
        QCOMPARE(boxes.texts, questions);
    }

    void aFileThatDoesNotOpenSaysWhichAndWhatIsWrongInOneMessage() {
        CMainFrame* frame = m_app->GetMainFrame();
        const int windows = frame->MdiArea()->subWindowList().size();
        ScopedMessageBoxes boxes;

        const QString text = m_dir->filePath("phantom.pha");
        WriteFile(text, "Ten ellipsoids, typed in by hand.\n");
        QVERIFY(!frame->OpenDocumentFile(text));
        QCOMPARE(boxes.texts, QStringList{"ReadSection error\nphantom.pha is not a phantom file (archive error at "
                                          "byte 18: malformed bitmap record)"});

        const QString bitmap = m_dir->filePath("picture.pha");
        CDib dib(4, 4, 8);
        QVERIFY(dib.CreateSection());
        QVERIFY(dib.WriteFile(bitmap.toStdString()));
        QVERIFY(!frame->OpenDocumentFile(bitmap));
        QCOMPARE(boxes.texts.last(), QString("ReadSection error\npicture.pha is not a phantom file (archive error at "
                                             "byte 18: malformed bitmap record)"));

        const QString cut = m_dir->filePath("cut.pha");
        {
            CPhantom phantom;
            phantom.m_bAutoDelete = false;
            for (int i = 0; i < 3; ++i) phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
            phantom.Save(cut.toStdString());
        }
        QVERIFY(QFile::resize(cut, 4 + 2 + 394));
        QVERIFY(!frame->OpenDocumentFile(cut));
        QCOMPARE(boxes.texts.last(), QString("cut.pha is cut short: 3 elements need at least 618 bytes, 394 are left "
                                             "(archive error at byte 4: count 3 needs at least 618 bytes, 394 are "
                                             "left)"));

        // Another kind: a volume whose voxels end early.
        const QString volumePath = m_dir->filePath("scan.vol");
        {
            CVolume volume;
            volume.m_bAutoDelete = false;
            QVERIFY(volume.Allocate(2, 2, 2, 8, 8, 8));
            volume.Save(volumePath.toStdString());
        }
        QVERIFY(QFile::resize(volumePath, QFileInfo(volumePath).size() - 100));
        QVERIFY(!frame->OpenDocumentFile(volumePath));
        QVERIFY2(boxes.texts.last().startsWith("scan.vol is cut short: "), qPrintable(boxes.texts.last()));
        QVERIFY(boxes.texts.last().contains("(archive error at byte "));

        // And a text file as a projection collection.
        const QString notes = m_dir->filePath("notes.prs");
        WriteFile(notes, "Projection notes: 90 views of 256 x 256, 1 degree apart, nothing else.\n");
        QVERIFY(!frame->OpenDocumentFile(notes));
        QVERIFY2(boxes.texts.last().contains("notes.prs is not a projection collection file (archive error at byte "),
                 qPrintable(boxes.texts.last()));

        QCOMPARE(boxes.texts.size(), 5);
        QCOMPARE(frame->MdiArea()->subWindowList().size(), windows);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScopedNewKind> m_newKind;
    std::unique_ptr<CVoxmillApp> m_app;
};

QTEST_MAIN(UnsavedWorkTest)
#include "UnsavedWorkTest.moc"
