// The workbench with and without the frame grabber's libraries. The test
// runs twice: with the simulated camera libraries the program finds in its
// library folder ("MIL" and "GEN" enabled, and the call log of a whole
// session checked), and with VOXMILL_GRABBER=off as on a machine without
// them ("MIL" and "GEN" greyed, the digitizer inert).
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "acquisition/Projector.h"
#include "acquisition/ui/ProjectorPropertyPage_Snapshots.h"
#include "acquisition/ui/ProjectorPropertyPage_Target.h"
#include "acquisition/ui/ProjectorPropertySheet.h"
#include "app/ui/MainFrame.h"
#include "app/ui/VoxmillApp.h"
#include "app/ui/WorkbenchFrames.h"
#include "hardware/Digitizer.h"
#include "hardware/ui/DigitizerPropertyPage_Settings.h"
#include "hardware/ui/DigitizerPropertySheet.h"
#include "hardware/ui/DigitizerView.h"
#include "tests/acquisition/projector/ui/ProjectorUiSupport.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;

namespace {

QStringList ReadLog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

template <class View>
View* ViewOf(CDocument* doc) {
    CChildFrame* frame = doc ? test::ProjectorWorkbench::FrameOf(*doc) : nullptr;
    return frame ? dynamic_cast<View*>(frame->GetView()) : nullptr;
}

}  // namespace

class GrabberStartTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        test::UseSettingsIn(m_dir);
        m_log = m_dir.filePath("calls.log");
        QFile::remove(m_log);
        qputenv("VOXMILL_SIMCAM_LOG", m_log.toLocal8Bit());
        m_expectLibraries = !qEnvironmentVariableIsSet("VOXMILL_GRABBER");
    }

    void panesFollowTheLoadedLibraries() {
        test::ScopedNewKind newKind("Phantom");
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        QCOMPARE(app.m_bGenesisReady, m_expectLibraries);
        QCOMPARE(app.m_bMilReady, m_expectLibraries);
        QCOMPARE(app.GetMainFrame()->GenPane()->isEnabled(), m_expectLibraries);
        QCOMPARE(app.GetMainFrame()->MilPane()->isEnabled(), m_expectLibraries);
        QVERIFY(app.GetMainFrame()->isVisible());
        QCOMPARE(app.m_strCameraFile, std::string("Voxmill.dcf"));
        app.ExitInstance();
        if (!m_expectLibraries) QVERIFY(!QFile::exists(m_log));
    }

    // Start-up, a digitizer made through File, New, Live Preview, a
    // grabbing run of three snapshots, the digitizer closed with the
    // projector that held it, exit: every call in order with its values.
    void callLogOfAWholeRun() {
        test::ScopedNewKind newKind("Phantom");
        test::ScopedMessageBoxes boxes;
        boxes.answer = QMessageBox::No;  // do not save the new cine on exit
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        CMainFrame& frame = *app.GetMainFrame();

        auto* digitizer = dynamic_cast<CDigitizer*>(frame.NewDocument(*app.GetDocManager()->FindTemplate(142)));
        QVERIFY(digitizer);
        auto* digitizerView = ViewOf<CDigitizerView>(digitizer);
        QVERIFY(digitizerView);
        CDigitizerPropertyPage_Settings* settings = digitizerView->Sheet()->SettingsPage();
        settings->NumX()->setText("128");
        settings->NumY()->setText("128");
        digitizerView->LivePreviewButton()->click();
        QCOMPARE(digitizer->IsLive(), m_expectLibraries);

        auto* projector = dynamic_cast<CProjector*>(frame.NewDocument(*app.GetDocManager()->FindTemplate(131)));
        QVERIFY(projector);
        projector->m_collectionMode = CProjector::kInPlaceCollection;
        auto* projectorView = ViewOf<CProjectorView>(projector);
        CProjectorPropertySheet* sheet = projectorView->Sheet();
        sheet->setCurrentIndex(CProjectorPropertySheet::kSnapshotsPage);
        sheet->SnapshotsPage()->findChild<QLineEdit*>("Step number")->setText("3");
        sheet->setCurrentIndex(CProjectorPropertySheet::kTargetPage);
        QCOMPARE(test::DragTarget(*digitizer, sheet->TargetPage()), Qt::LinkAction);
        projectorView->RenderButton()->click();
        QVERIFY(projectorView->LastCollectionFrame());
        app.ExitInstance();

        if (!m_expectLibraries) {
            QVERIFY(!QFile::exists(m_log));
            return;
        }
        // Reads of the live buffer for the picture come and go with the
        // event loop; they are not part of the order.
        QStringList calls = ReadLog(m_log);
        calls.removeAll("MbufGet(6)");
        const QStringList expected = {
            "imDevAlloc(0, 268435456) = 1", "imThrAlloc(1, 268435456) = 2",
            "MappAlloc(268435456) = 1", "MappControl(1073741824, 0)",
            "MsysAlloc(\"M_DEFAULT\", 268435456, 268435456) = 2", "MsysInquire(2, 1008) = 17",
            "MdigAlloc(2, 268435456, \"Voxmill.dcf\", 268435456) = 3", "MdigInquire(3, 1002) = 768",
            "MdigInquire(3, 1003) = 576", "MdigInquire(3, 1005) = 8",
            "MdigAlloc(2, 268435456, \"Voxmill.dcf\", 268435456) = 4",
            "MdispAlloc(2, 268435456, \"M_DEFAULT\", 268435456, null) = 5",
            "MbufAlloc2d(2, 128, 128, 8, 60, null) = 6", "MdigControl(4, 4010, 1)", "MdigControl(4, 4022, 128)",
            "MdigControl(4, 4023, 128)", "MdigControl(4, 4024, 0)", "MdigControl(4, 4025, 0)",
            "MdigControl(4, 4200, -9999)", "MdigControl(4, 4053, 0)", "MdigGrabContinuous(4, 6)",
            "MdispSelect(5, 6)", "MdispDeselect(5, 6)", "MdigGrabWait(4, 3)", "MdigHalt(4)",
            "MbufAlloc2d(2, 128, 128, 8, 28, null) = 7", "MdigGrab(3, 7)", "MdigControl(3, 4010, 1)",
            "MdigControl(3, 4022, 128)", "MdigControl(3, 4023, 128)", "MdigControl(3, 4024, 0)",
            "MdigControl(3, 4025, 0)", "MdigControl(3, 4200, -9997)", "MdigControl(3, 4053, 268435456)",
            "MdigGrab(3, 7)", "MappGetError(1, null) = 0", "MbufGet(7)", "MdigGrab(3, 7)",
            "MappGetError(1, null) = 0", "MbufGet(7)", "MdigGrab(3, 7)", "MappGetError(1, null) = 0", "MbufGet(7)",
            "MdispFree(5)", "MdigFree(3)", "MdigFree(4)", "MbufFree(7)", "MbufFree(6)", "MsysFree(2)",
            "MappFree(1)", "imThrFree(2)", "imDevFree(1)"};
        QCOMPARE(calls, expected);
    }

private:
    QTemporaryDir m_dir;
    QString m_log;
    bool m_expectLibraries = true;
};

QTEST_MAIN(GrabberStartTest)
#include "GrabberStartTest.moc"
