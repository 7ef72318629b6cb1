// Start-up with and without the frame grabber's libraries. The test runs
// twice: as it is (no grabber library anywhere: "MIL" and "GEN" greyed)
// and with a stand-in native library on the library path
// (VOXMILL_EXPECT_GEN set: "GEN" enabled, "MIL" still greyed).
#include <QFile>
#include <QLabel>
#include <QtTest>

#include "app/ui/MainFrame.h"
#include "app/ui/VoxmillApp.h"
#include "app/ui/WorkbenchFrames.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;

class GrabberStartTest : public QObject {
    Q_OBJECT

private slots:
    void panesFollowTheLoadedLibraries() {
        QTemporaryDir dir;
        test::UseSettingsIn(dir);
        const QString log = dir.filePath("grabber.log");
        qputenv("VOXMILL_FAKE_GRABBER_LOG", log.toLocal8Bit());
        const bool expectGenesis = qEnvironmentVariableIsSet("VOXMILL_EXPECT_GEN");

        test::ScopedNewKind newKind("Phantom");
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        QCOMPARE(app.m_bGenesisReady, expectGenesis);
        QVERIFY(!app.m_bMilReady);
        QCOMPARE(app.GetMainFrame()->GenPane()->isEnabled(), expectGenesis);
        QVERIFY(!app.GetMainFrame()->MilPane()->isEnabled());
        QVERIFY(app.GetMainFrame()->isVisible());
        app.ExitInstance();

        if (!expectGenesis) {
            QVERIFY(!QFile::exists(log));
            return;
        }
        // Freed in the reverse order of allocation.
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts),
                 (QStringList{"imDevAlloc", "imThrAlloc", "imThrFree", "imDevFree"}));
    }
};

QTEST_MAIN(GrabberStartTest)
#include "GrabberStartTest.moc"
