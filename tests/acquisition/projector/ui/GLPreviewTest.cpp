// The OpenGL preview on a real context (run under xvfb-run): the picture
// read back from the window has the blue detector and the red source where
// the camera puts them, keeps its proportions when the window is resized,
// and two previews each keep their own scene; a drag turns the camera and
// the wheel zooms, and a phantom target is drawn as wire frames with the
// source's orbit.
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QPushButton>
#include <QtTest>
#include <cmath>

#include "acquisition/PreviewScene.h"
#include "acquisition/ui/GLContext.h"
#include "acquisition/ui/ProjectorPropertyPage_Options.h"
#include "acquisition/ui/ProjectorPropertyPage_Path.h"
#include "acquisition/ui/ProjectorPropertyPage_Target.h"
#include "acquisition/ui/ProjectorPropertySheet.h"
#include "phantom/SheppLogan.h"
#include "tests/acquisition/projector/ui/ProjectorUiSupport.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

struct V3 {
    double x, y, z;
};
V3 Sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Unit(V3 a) {
    const double n = std::sqrt(Dot(a, a));
    return {a.x / n, a.y / n, a.z / n};
}

// Where a world point lands in a w x h picture (row 0 on top), for a camera
// at `eye` looking at the origin with +y up, 60 degrees vertical field.
QPoint ScreenOf(V3 p, V3 eye, int w, int h) {
    const V3 f = Unit(Sub({0, 0, 0}, eye));
    const V3 s = Unit(Cross(f, {0, 1, 0}));
    const V3 u = Cross(s, f);
    const V3 d = Sub(p, eye);
    const double depth = Dot(f, d);
    const double t = std::tan(30.0 * 3.14159265358979 / 180.0);
    const double xn = Dot(s, d) / depth / t / (static_cast<double>(w) / h);
    const double yn = Dot(u, d) / depth / t;
    return QPoint(static_cast<int>(std::lround((xn + 1) / 2 * w)), static_cast<int>(std::lround((1 - yn) / 2 * h)));
}

// Most pixels around `at` have this colour.
bool Mostly(const QImage& image, QPoint at, QRgb color) {
    int hits = 0, total = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint q = at + QPoint(dx, dy);
            if (!image.rect().contains(q)) continue;
            ++total;
            const QRgb c = image.pixel(q);
            if (std::abs(qRed(c) - qRed(color)) < 40 && std::abs(qGreen(c) - qGreen(color)) < 40 &&
                std::abs(qBlue(c) - qBlue(color)) < 40)
                ++hits;
        }
    return total > 0 && hits * 3 >= total * 2;
}

constexpr QRgb kBlue = 0xff0000ff, kRed = 0xffff0000, kBlack = 0xff000000;

// Pixels within 40 of a colour in every channel.
int CountOf(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (std::abs(qRed(c) - qRed(color)) < 40 && std::abs(qGreen(c) - qGreen(color)) < 40 &&
                std::abs(qBlue(c) - qBlue(color)) < 40)
                ++n;
        }
    return n;
}

QRgb RgbOf(const PreviewScene::Color& c) {
    return qRgb(int(c[0] * 255 + 0.5), int(c[1] * 255 + 0.5), int(c[2] * 255 + 0.5));
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

CGLContextView* OpenPreview(CProjectorView* view) {
    view->PreviewButton()->click();
    CGLContextView* preview = view->LastPreview();
    if (preview) QTest::qWait(50);
    return preview;
}

}  // namespace

class GLPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
        m_bench = std::make_unique<ProjectorWorkbench>();
    }
    void cleanup() {
        m_bench.reset();
        m_dir.reset();
    }

    void theSceneShowsTheDetectorAndTheSource() {
        CProjectorView* view = m_bench->NewProjector();
        CGLContextView* preview = OpenPreview(view);
        QVERIFY(preview);
        QCOMPARE(dynamic_cast<QWidget*>(preview->GetParentFrame())->size(), QSize(300, 300));
        CGLContext* doc = preview->GetContextDocument();
        QVERIFY(doc->m_nList != 0);
        QCOMPARE(doc->m_eye, (std::array<float, 3>{8, 2, 2}));

        const QImage image = preview->Grab();
        QVERIFY(!image.isNull());
        const int w = image.width(), h = image.height();
        const V3 eye{8, 2, 2};
        // Inside the quadrilateral (-2..2, -2..2, -4), away from the rays.
        QVERIFY(Mostly(image, ScreenOf({1.2, -0.5, -4}, eye, w, h), kBlue));
        QVERIFY(Mostly(image, ScreenOf({-1.0, 1.3, -4}, eye, w, h), kBlue));
        // The source sphere at (0, 0, Ds), radius 0.05 Ds.
        QVERIFY(Mostly(image, ScreenOf({0, 0, 4}, eye, w, h), kRed));
        QVERIFY(Mostly(image, QPoint(3, 3), kBlack));
        // Pictures for the documentation, when asked for.
        if (const QString picture = QString::fromLocal8Bit(qgetenv("VOXMILL_PREVIEW_PICTURE")); !picture.isEmpty())
            image.save(picture);
        if (const QString picture = QString::fromLocal8Bit(qgetenv("VOXMILL_WORKBENCH_PICTURE")); !picture.isEmpty()) {
            // The projector holding a phantom after a run, beside the preview.
            view->Sheet()->setCurrentIndex(CProjectorPropertySheet::kTargetPage);
            CPhantom* phantom = m_bench->NewPhantom();
            DragTarget(*phantom, view->Sheet()->TargetPage());
            view->Sheet()->setCurrentIndex(CProjectorPropertySheet::kOptionsPage);
            view->Sheet()->OptionsPage()->InPlaceButton()->click();
            view->RenderButton()->click();
            view->Sheet()->setCurrentIndex(CProjectorPropertySheet::kTargetPage);
            dynamic_cast<QWidget*>(view->GetParentFrame())->move(10, 10);
            dynamic_cast<QWidget*>(preview->GetParentFrame())->move(560, 10);
            if (CChildFrame* collection = view->LastCollectionFrame()) collection->setGeometry(560, 330, 300, 120);
            QTest::qWait(100);
            m_bench->Frame().grab().save(picture);
        }
    }

    void theAspectFollowsTheWindow() {
        CProjectorView* view = m_bench->NewProjector();
        CGLContextView* preview = OpenPreview(view);
        QVERIFY(preview);
        auto* frame = dynamic_cast<QWidget*>(preview->GetParentFrame());
        frame->resize(460, 260);
        QTest::qWait(50);
        const QImage image = preview->Grab();
        QCOMPARE(preview->LastSize(), preview->Canvas()->size());
        const V3 eye{8, 2, 2};
        QVERIFY(Mostly(image, ScreenOf({0, 0, 4}, eye, image.width(), image.height()), kRed));
        QVERIFY(Mostly(image, ScreenOf({1.2, -0.5, -4}, eye, image.width(), image.height()), kBlue));

        // Down to zero height and back: the last projection stays.
        const QSize before = preview->LastSize();
        preview->Canvas()->resize(before.width(), 0);
        QCOMPARE(preview->LastSize(), before);
    }

    void twoPreviewsKeepTheirOwnScenes() {
        CProjectorView* view = m_bench->NewProjector();
        CGLContextView* first = OpenPreview(view);
        QVERIFY(first);
        CProjectorPropertySheet* sheet = view->Sheet();
        sheet->setCurrentIndex(CProjectorPropertySheet::kPathPage);
        sheet->PathPage()->SourceAxisDistance()->setText("2");
        CGLContextView* second = OpenPreview(view);
        QVERIFY(second && second != first);
        QVERIFY(first->GetContextDocument()->m_nList != 0 && second->GetContextDocument()->m_nList != 0);

        m_bench->Frame().MdiArea()->setActiveSubWindow(dynamic_cast<QMdiSubWindow*>(first->GetParentFrame()));
        const QImage a = first->Grab();
        m_bench->Frame().MdiArea()->setActiveSubWindow(dynamic_cast<QMdiSubWindow*>(second->GetParentFrame()));
        const QImage b = second->Grab();
        // Ds = 4: eye (8, 2, 2), source at z = 4; Ds = 2: eye (6, 1, 1), source at z = 2.
        QVERIFY(Mostly(a, ScreenOf({0, 0, 4}, {8, 2, 2}, a.width(), a.height()), kRed));
        QVERIFY(Mostly(b, ScreenOf({0, 0, 2}, {6, 1, 1}, b.width(), b.height()), kRed));
        QVERIFY(Mostly(b, ScreenOf({-1.0, 1.3, -4}, {6, 1, 1}, b.width(), b.height()), kBlue));
    }

    void aDragTurnsTheViewAndTheWheelZooms() {
        CProjectorView* view = m_bench->NewProjector();
        CGLContextView* preview = OpenPreview(view);
        QVERIFY(preview);
        // Untouched, the camera stands exactly at the document's eye.
        QCOMPARE(preview->CurrentEye(), preview->GetContextDocument()->m_eye);
        QCOMPARE(preview->ViewYaw(), 0.0);

        QWidget* canvas = preview->Canvas();
        SendMouse(canvas, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton);
        SendMouse(canvas, QEvent::MouseMove, QPoint(140, 110), Qt::NoButton, Qt::LeftButton);
        SendMouse(canvas, QEvent::MouseButtonRelease, QPoint(140, 110), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(preview->ViewYaw(), -20.0);
        QCOMPARE(preview->ViewPitch(), 5.0);
        // A move without the button held turns nothing.
        SendMouse(canvas, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
        QCOMPARE(preview->ViewYaw(), -20.0);
        const std::array<float, 3> eye = preview->CurrentEye();
        QCOMPARE(eye, PreviewScene::OrbitEye({8, 2, 2}, {0, 0, 0}, -20, 5, 1));
        QVERIFY(std::fabs(std::hypot(eye[0], eye[1], eye[2]) - std::sqrt(72.0)) < 1e-4);
        // The picture follows the turned camera.
        QImage image = preview->Grab();
        const V3 turned{eye[0], eye[1], eye[2]};
        QVERIFY(Mostly(image, ScreenOf({0, 0, 4}, turned, image.width(), image.height()), kRed));
        QVERIFY(Mostly(image, ScreenOf({1.2, -0.5, -4}, turned, image.width(), image.height()), kBlue));

        QWheelEvent wheel(QPointF(100, 100), QPointF(canvas->mapToGlobal(QPoint(100, 100))), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &wheel);
        QCOMPARE(preview->Zoom(), 1.25);
        const std::array<float, 3> closer = preview->CurrentEye();
        QVERIFY(std::fabs(std::hypot(closer[0], closer[1], closer[2]) - std::sqrt(72.0) / 1.25) < 1e-4);
        // Closer, the source has left the picture; the detector is still where the camera puts it.
        image = preview->Grab();
        const V3 near{closer[0], closer[1], closer[2]};
        QVERIFY(!image.rect().contains(ScreenOf({0, 0, 4}, near, image.width(), image.height())));
        QVERIFY(Mostly(image, ScreenOf({1.2, -0.5, -4}, near, image.width(), image.height()), kBlue));
        QVERIFY(Mostly(image, ScreenOf({-1.0, 1.3, -4}, near, image.width(), image.height()), kBlue));
        // The document's own eye never moves.
        QCOMPARE(preview->GetContextDocument()->m_eye, (std::array<float, 3>{8, 2, 2}));
    }

    void thePhantomAndTheOrbitAreDrawn() {
        CProjectorView* view = m_bench->NewProjector();
        // Without a target: the orbit but no wire frames.
        CGLContextView* bare = OpenPreview(view);
        QVERIFY(bare);
        const QRgb orbit = RgbOf(PreviewScene::kOrbitColor), wire = RgbOf(PreviewScene::kElementColor);
        QImage image = bare->Grab();
        QVERIFY(CountOf(image, orbit) > 20);
        QCOMPARE(CountOf(image, wire), 0);

        view->Sheet()->setCurrentIndex(CProjectorPropertySheet::kTargetPage);
        CPhantom* phantom = m_bench->NewPhantom();
        DragTarget(*phantom, view->Sheet()->TargetPage());
        QCOMPARE(view->Sheet()->TargetPage()->GetTarget(), static_cast<CTarget*>(phantom));
        CGLContextView* preview = OpenPreview(view);
        QVERIFY(preview);
        auto* frame = dynamic_cast<QWidget*>(preview->GetParentFrame());
        frame->resize(480, 480);
        QTest::qWait(50);
        image = preview->Grab();
        const int front = CountOf(image, wire);
        QVERIFY2(front > 100, qPrintable(QString::number(front)));
        // Turned and closer, the wire frames are still there, larger.
        preview->SetView(50, 25, 1.6);
        QTest::qWait(50);
        image = preview->Grab();
        QVERIFY(CountOf(image, wire) > front);
        QVERIFY(CountOf(image, orbit) > 20);
        if (const QString picture = QString::fromLocal8Bit(qgetenv("VOXMILL_PREVIEW_ROTATED_PICTURE"));
            !picture.isEmpty()) {
            // The head phantom, turned, for a person to look at.
            phantom->DeleteContents();
            AddSheppLogan(*phantom);
            CGLContextView* head = OpenPreview(view);
            QVERIFY(head);
            dynamic_cast<QWidget*>(head->GetParentFrame())->resize(560, 520);
            head->SetView(-35, 18, 1.2);
            QTest::qWait(100);
            head->Grab().save(picture);
        }
    }

    void closingThePreviewDeletesItsDocument() {
        CProjectorView* view = m_bench->NewProjector();
        CGLContextView* preview = OpenPreview(view);
        QVERIFY(preview);
        CDocTemplate* tmpl = m_bench->Docs().FindTemplate(143);
        QCOMPARE(tmpl->GetDocuments().size(), std::size_t{1});
        dynamic_cast<CChildFrame*>(preview->GetParentFrame())->DestroyWindow();
        FlushDeletes();
        QVERIFY(tmpl->GetDocuments().empty());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ProjectorWorkbench> m_bench;
};

QTEST_MAIN(GLPreviewTest)
#include "GLPreviewTest.moc"
