// The volume window's maximum-intensity projection on a real OpenGL
// context (run under xvfb-run): the picture read back from the pane shows
// a single bright voxel where the camera puts it, seen from the front and
// after a quarter turn about the vertical axis, and a drag and the wheel
// turn and zoom the view.
#include <QMouseEvent>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

#include "reconstruction/ui/VolumeMipView.h"
#include "reconstruction/ui/VolumePlanePane.h"
#include "tests/app/ui/UiTestSupport.h"
#include "tests/reconstruction/ui/ReconstructionUiSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

// The centroid of the pixels brighter than half scale; (-1, -1) for none.
QPointF BrightCentroid(const QImage& image, int* count = nullptr) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 128) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
            }
    if (count) *count = n;
    return n ? QPointF(sx / n, sy / n) : QPointF(-1, -1);
}

}  // namespace

class VolumeMipTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
        m_bench = std::make_unique<ReconstructionWorkbench>();
    }
    void cleanup() {
        m_bench.reset();
        FlushDeletes();
        m_dir.reset();
    }

    void aBrightVoxelShowsWhereTheProjectionPutsIt() {
        CVolumeMipView* mip = OpenSingleVoxel();
        QVERIFY(mip);
        const int w = mip->width(), h = mip->height();
        // Voxel (12, 3, 9) of 16^3 in 2 x 2 x 2: centre (0.5625, 0.5625, -0.1875);
        // the box's half diagonal is sqrt 3 and s = min(w, h).
        const double r = std::sqrt(3.0), s = std::min(w, h);
        const double x = 0.5625, y = 0.5625, z = -0.1875;
        const struct {
            double yaw;
            QPointF expected;  // eye x is x at yaw 0, z at yaw 90
        } cases[] = {{0, QPointF(w / 2.0 + x / r * s / 2, h / 2.0 - y / r * s / 2)},
                     {90, QPointF(w / 2.0 + z / r * s / 2, h / 2.0 - y / r * s / 2)}};
        for (const auto& c : cases) {
            MipCamera camera;
            camera.yaw = c.yaw;
            mip->SetCamera(camera);
            const QImage image = mip->grabFramebuffer();
            QVERIFY(mip->IsReady());
            QCOMPARE(image.size() / mip->devicePixelRatio(), QSize(w, h));
            int bright = 0;
            const QPointF at = BrightCentroid(image, &bright);
            const std::array<double, 2> projected = camera.Project(*m_volume, {x, y, z}, w, h);
            QVERIFY2(std::hypot(projected[0] - c.expected.x(), projected[1] - c.expected.y()) < 1e-9,
                     "the camera and the formula agree");
            // One voxel spans 0.125 / r x s / 2 pixels; its image lies within a pixel or two of its centre.
            QVERIFY2(bright > 0 && std::hypot(at.x() - c.expected.x(), at.y() - c.expected.y()) < 2.5,
                     qPrintable(QString("yaw %1: bright pixels %2 centred at (%3, %4), expected (%5, %6)")
                                    .arg(c.yaw).arg(bright).arg(at.x()).arg(at.y())
                                    .arg(c.expected.x()).arg(c.expected.y())));
            QCOMPARE(qGray(image.pixel(2, 2)), 0);
            if (const QString dir = QString::fromLocal8Bit(qgetenv("VOXMILL_MIP_PICTURES")); !dir.isEmpty())
                image.save(QString("%1/mip-voxel-yaw%2.png").arg(dir).arg(c.yaw));
        }
        // The window's grey window reaches the projection: 1 in [0, 4] is
        // level trunc(255 / 4) = 63 at most (less where the samples miss the
        // voxel's centre), and above [2, 3] nothing shows.
        m_view->SetGreyWindow(0, 4);
        QImage image = mip->grabFramebuffer();
        int top = 0;
        for (int py = 0; py < image.height(); ++py)
            for (int px = 0; px < image.width(); ++px) top = std::max(top, qGray(image.pixel(px, py)));
        QVERIFY2(top >= 32 && top <= 63, qPrintable(QString::number(top)));
        m_view->SetGreyWindow(2, 3);
        image = mip->grabFramebuffer();
        int lit = 0;
        for (int py = 0; py < image.height(); ++py)
            for (int px = 0; px < image.width(); ++px) lit += qGray(image.pixel(px, py)) > 0;
        QCOMPARE(lit, 0);
    }

    void aDragTurnsAndTheWheelZooms() {
        CVolumeMipView* mip = OpenSingleVoxel();
        QVERIFY(mip);
        const QPoint from(mip->width() / 2, mip->height() / 2);
        QMouseEvent press(QEvent::MouseButtonPress, from, mip->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(mip, &press);
        const QPoint to = from + QPoint(60, -20);
        QMouseEvent move(QEvent::MouseMove, to, mip->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(mip, &move);
        QCOMPARE(mip->Camera().yaw, 30.0);
        QCOMPARE(mip->Camera().pitch, -10.0);
        // While turning it draws coarsely, then refines once the mouse rests.
        mip->grabFramebuffer();
        QVERIFY(mip->IsCoarse());
        QTest::qWait(CVolumeMipView::kRefineDelayMs + 100);
        mip->grabFramebuffer();
        QVERIFY(!mip->IsCoarse());
        QMouseEvent release(QEvent::MouseButtonRelease, to, mip->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(mip, &release);

        QWheelEvent wheel(QPointF(from), QPointF(mip->mapToGlobal(from)), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(mip, &wheel);
        QCOMPARE(mip->Camera().zoom, 1.25);
        // The voxel keeps its place under the turned, zoomed camera.
        const QImage image = mip->grabFramebuffer();
        const std::array<double, 2> p = mip->Camera().Project(*m_volume, {0.5625, 0.5625, -0.1875}, mip->width(),
                                                              mip->height());
        const QPointF at = BrightCentroid(image);
        QVERIFY2(std::hypot(at.x() - p[0], at.y() - p[1]) < 3.0,
                 qPrintable(QString("(%1, %2) against (%3, %4)").arg(at.x()).arg(at.y()).arg(p[0]).arg(p[1])));
    }

    // A picture of the whole window on a volume file, for a person to look
    // at: VOXMILL_VOLUME_FILE names the .vol, VOXMILL_VOLUME_PICTURE the PNG.
    void aPictureOfAVolumeFile() {
        const QString file = QString::fromLocal8Bit(qgetenv("VOXMILL_VOLUME_FILE"));
        const QString picture = QString::fromLocal8Bit(qgetenv("VOXMILL_VOLUME_PICTURE"));
        if (file.isEmpty() || picture.isEmpty()) QSKIP("no picture asked for");
        auto* volume = dynamic_cast<CVolume*>(m_bench->Frame().OpenDocumentFile(file));
        QVERIFY(volume && volume->IsAllocated());
        CChildFrame* frame = ReconstructionWorkbench::FrameOf(*volume);
        auto* view = dynamic_cast<CVolumeView*>(frame->GetView());
        QVERIFY(view);
        m_bench->Frame().resize(1000, 860);
        auto* widget = dynamic_cast<QWidget*>(frame);
        widget->setGeometry(0, 0, 960, 780);
        view->SetCursor(NearestVoxel(*volume, 0.1, 0.0, -0.2));
        MipCamera camera;
        camera.yaw = 35;
        camera.pitch = 20;
        view->MipView()->SetCamera(camera);
        QTest::qWait(400);
        // The probe as a hover over the Z pane would leave it.
        CVolumePlanePane* z = view->PlanePane(2);
        QTest::mouseMove(z, z->PointOf(QPoint(z->Image().width() / 3, z->Image().height() / 2)).toPoint());
        QTest::qWait(100);
        QVERIFY(m_bench->Frame().grab().save(picture));
    }

private:
    // A volume window on 16^3 voxels of 2 x 2 x 2, zero but voxel (12, 3, 9) = 1.
    CVolumeMipView* OpenSingleVoxel() {
        auto* volume = static_cast<CVolume*>(m_bench->Frame().NewDocument(m_bench->Template(132)));
        if (!volume || !volume->Allocate(2, 2, 2, 16, 16, 16)) return nullptr;
        volume->Voxel(12, 3, 9) = 1.0f;
        volume->UpdateAllViews(nullptr);
        m_volume = volume;
        CChildFrame* frame = ReconstructionWorkbench::FrameOf(*volume);
        auto* view = frame ? dynamic_cast<CVolumeView*>(frame->GetView()) : nullptr;
        if (!view) return nullptr;
        m_view = view;
        m_bench->Frame().resize(1000, 900);
        m_bench->Frame().show();
        auto* widget = dynamic_cast<QWidget*>(frame);
        widget->resize(760, 700);
        widget->show();
        if (!QTest::qWaitForWindowExposed(&m_bench->Frame())) return nullptr;
        QTest::qWait(50);
        return view->MipView();
    }

    const CVolume* m_volume = nullptr;
    CVolumeView* m_view = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ReconstructionWorkbench> m_bench;
};

QTEST_MAIN(VolumeMipTest)
#include "VolumeMipTest.moc"
