// The float image view in its frame: layout, grey window, bitmap, status
// texts, cursor rule, line profiles to the plot server, image changes.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPrinter>
#include <QScrollArea>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QScrollBar>
#include <QWheelEvent>
#include <cstdlib>
#include <cstring>

#include "app/ui/PlotServer.h"
#include "imaging/Surfacei.h"
#include "imaging/dib/Dib.h"
#include "imaging/ui/ColourMapMenu.h"
#include "imaging/ui/SurfaceiView.h"
#include "tests/imaging/ui/DialogAnswers.h"
#include "tests/imaging/ui/ImageSupport.h"

namespace voxmill {

using test::ImageWindow;
using test::MakeImage;

namespace {

// The view point at the top-left corner of a pixel.
QPoint ViewPointOf(const ViewRect& r, int column, int row, std::uint32_t w, std::uint32_t h) {
    return QPoint(r.left + static_cast<int>(static_cast<double>(column) * r.Width() / w),
                  r.top + static_cast<int>(static_cast<double>(row) * r.Height() / h));
}

// A 0-to-10 ramp along the columns, 100 x 50.
std::unique_ptr<CSurface> Ramp() {
    return MakeImage(100, 50, 2.0, 1.0, [](std::uint32_t c, std::uint32_t) { return c / 9.9; });
}

std::uint8_t BitmapIndex(const CDib& dib, std::uint32_t column, std::uint32_t imageRow, std::uint32_t height) {
    return dib.GetBits()[static_cast<std::size_t>(height - 1 - imageRow) * dib.GetRowBytes() + column];
}

}  // namespace

class ImageViewTest : public QObject {
    Q_OBJECT

private slots:
    void zoomExtents() {
        auto narrow = MakeImage(3, 100, 1.0, 1.0, [](auto, auto) { return 1.0; });
        ImageWindow<> small(*narrow);
        small.view->SetZoom(25);
        QCOMPARE(small.view->Layout().extentX, 300);
        QCOMPARE(small.view->Layout().extentY, 200);
        QVERIFY(small.view->Layout().imageRect.IsEmpty());

        auto big = MakeImage(1000, 800, 1.0, 1.0, [](auto c, auto) { return c; });
        ImageWindow<> large(*big);
        QCOMPARE(large.view->Zoom(), 100);  // first display
        QCOMPARE(large.view->Layout().extentX, 1007);
        QCOMPARE(large.view->Layout().extentY, 807);
        QCOMPARE(large.view->Layout().imageRect, (ViewRect{3, 3, 1003, 803}));
        QCOMPARE(large.view->Canvas()->size(), QSize(1007, 807));
    }

    void zoomMenuLaysOut() {
        auto image = Ramp();
        ImageWindow<> w(*image);
        QAction* zoom400 = w.view->ZoomAction(400);
        QVERIFY(zoom400);
        zoom400->trigger();
        QCOMPARE(w.view->Zoom(), 400);
        QCOMPARE(w.view->Layout().imageRect.Width(), 400);
        QVERIFY(zoom400->isChecked());
        QVERIFY(!w.view->ZoomAction(100)->isChecked());
        QCOMPARE(w.view->DocumentMenus().size(), 1);
    }

    void colourMapsFollowTheZoomLevelsAndTheEightBitViewKeepsGrey() {
        auto image = Ramp();
        ImageWindow<> w(*image);
        const QList<QAction*> entries = w.view->ImageMenu()->actions();
        QVERIFY(entries.size() >= 3);
        QCOMPARE(entries[0]->text(), QString("Zoom"));
        QCOMPARE(entries[1]->menu(), w.view->ColourMaps()->Menu());
        QVERIFY(entries[1]->isVisible());
        QVERIFY(entries[2]->isSeparator());

        auto bytes = MakeImage<CSurfacei>(6, 4, 1.0, 1.0, [](std::uint32_t c, std::uint32_t r) { return 10 * c + r; });
        ImageWindow<CSurfaceiView> eight(*bytes);
        QVERIFY(!eight.view->ColourMaps()->Menu()->menuAction()->isVisible());
        const QImage grey = eight.view->DisplayImage();
        eight.view->SetColourMap(ColourMapKind::perceptual);
        QCOMPARE(eight.view->DisplayImage(), grey);
    }

    void frameFitsTheExtentInsideTheMainWindow() {
        auto small = MakeImage(100, 80, 1.0, 1.0, [](auto, auto) { return 0.0; });
        ImageWindow<> fits(*small, QSize(1200, 1000));
        // The whole extent shows: the scroll area needs no scrolling.
        const QSize viewport = fits.view->ScrollArea()->viewport()->size();
        QVERIFY2(viewport.width() >= 300 && viewport.height() >= 200,
                 qPrintable(QStringLiteral("%1 x %2").arg(viewport.width()).arg(viewport.height())));

        auto big = MakeImage(1000, 800, 1.0, 1.0, [](auto, auto) { return 0.0; });
        ImageWindow<> clipped(*big, QSize(600, 500));
        const QRect g = clipped.frame->geometry();
        QVERIFY(g.right() < 600 && g.bottom() < 500);
    }

    void greyWindowFromTheSliders() {
        auto image = MakeImage(100, 10, 1.0, 1.0, [](std::uint32_t c, std::uint32_t) { return c / 9.9; });
        QCOMPARE(image->GetMinValue(), 0.0f);
        QCOMPARE(image->GetMaxValue(), 10.0f);
        ImageWindow<> w(*image);
        QCOMPARE(w.frame->WidthSlider()->value(), 1000);
        QCOMPARE(w.frame->PositionSlider()->value(), 499);
        QCOMPARE(w.frame->WidthSlider()->minimum(), 1);
        QCOMPARE(w.frame->WidthSlider()->maximum(), 1000);
        // Not applied before a slider moves.
        QCOMPARE(w.view->WindowLow(), 1000.0f);
        QCOMPARE(w.view->WindowHigh(), 0.0f);

        w.frame->WidthSlider()->setValue(999);
        w.frame->WidthSlider()->setValue(1000);
        QCOMPARE(w.view->WindowLow(), 0.0f);
        QVERIFY(qAbs(w.view->WindowHigh() - 9.995f) < 1e-4f);
        QCOMPARE(w.frame->StatusText(), QStringLiteral("Grey level window: from 0.000 to 9.995"));

        // A narrow window: everything above it is white, below it black.
        w.frame->WidthSlider()->setValue(100);  // half = 0.5
        QCOMPARE(w.view->WindowLow(), float(499 * 10.0 / 999 - 0.5));
        const CDib& dib = *w.view->GetBitmap();
        QCOMPARE(BitmapIndex(dib, 0, 0, 10), std::uint8_t(0));
        QCOMPARE(BitmapIndex(dib, 99, 0, 10), std::uint8_t(255));
        QCOMPARE(BitmapIndex(dib, 50, 3, 10), GreyIndex(image->GetPixel(50, 3), w.view->WindowLow(), w.view->WindowHigh()));
    }

    void emptyWindowTurnsTheBitmapBlack() {
        auto image = Ramp();
        image->SetValueRange(5.0f, 5.0f);
        ImageWindow<> w(*image);
        w.frame->PositionSlider()->setValue(700);
        QCOMPARE(w.view->WindowLow(), w.view->WindowHigh());
        const CDib& dib = *w.view->GetBitmap();
        for (std::uint32_t r = 0; r < 50; ++r)
            for (std::uint32_t c = 0; c < 100; ++c) QCOMPARE(BitmapIndex(dib, c, r, 50), std::uint8_t(0));
    }

    void statusTexts() {
        auto image = Ramp();
        ImageWindow<> w(*image);
        QCOMPARE(w.frame->StatusText(), QStringLiteral("Ready to import data"));
        const ViewRect r = w.view->Layout().imageRect;

        w.view->OnMouseMove(QPoint(r.left - 2, r.top));
        QCOMPARE(w.frame->StatusText(), QStringLiteral("Size = 2.00 x 1.00 Pixel Matrix = 100 x 50"));
        w.view->OnMouseMove(QPoint(r.left + 5, r.top + 5));
        QCOMPARE(w.frame->StatusText(), QString());  // no tool

        w.frame->PointerAction()->trigger();
        QCOMPARE(w.frame->ToolMode(), int(CSurfaceChildFrame::kPointerTool));
        w.view->OnMouseMove(QPoint(r.left + 10, r.top + 4));
        QCOMPARE(w.frame->StatusText(), QString::asprintf("p[10,4] = p(0.20,0.08) = %.3f", 10 / 9.9));
        // The right edge of the picture reads the last column.
        w.view->OnMouseMove(QPoint(r.right, r.top));
        QCOMPARE(w.frame->StatusText(), QString::asprintf("p[99,0] = p(1.98,0.00) = %.3f", 99 / 9.9));
        QCOMPARE(w.view->PixelAt(QPoint(r.right - 1, r.bottom - 1)), (PixelIndex{99, 49}));

        w.frame->LinerAction()->trigger();
        QCOMPARE(w.frame->ToolMode(), int(CSurfaceChildFrame::kLinerTool));
        QVERIFY(!w.frame->PointerAction()->isChecked());
        w.view->OnMouseMove(QPoint(r.left + 3, r.top + 7));
        QCOMPARE(w.frame->StatusText(), QStringLiteral("Line from [3,7]"));
        QCOMPARE(w.view->Canvas()->cursor().shape(), Qt::UpArrowCursor);
    }

    void lineProfileReachesThePlotServer() {
        auto image = MakeImage(100, 20, 1.0, 1.0, [](std::uint32_t c, std::uint32_t r) { return c + 1000.0 * r; });
        image->SetTitle("ramp.slc");
        ImageWindow<> w(*image);
        CPlotServer server;
        CPlotServer::SetApplicationServer(&server);
        w.frame->LinerAction()->trigger();
        const ViewRect r = w.view->Layout().imageRect;

        test::ScopedDialogAnswers answers;
        answers.Accept<CPlotServer>([&](CPlotServer& shown) { QCOMPARE(&shown, &server); });
        QTest::mousePress(w.view->Canvas(), Qt::LeftButton, {}, ViewPointOf(r, 0, 3, 100, 20));
        QVERIFY(w.view->IsDragging());
        w.view->OnMouseMove(ViewPointOf(r, 50, 3, 100, 20));
        QCOMPARE(w.frame->StatusText(), QStringLiteral("Line from [0,3] to [50,3]"));
        QTest::mouseRelease(w.view->Canvas(), Qt::LeftButton, {}, ViewPointOf(r, 99, 3, 100, 20));
        QVERIFY(!w.view->IsDragging());
        QCOMPARE(answers.seen.size(), std::size_t(1));

        QCOMPARE(server.Plots().size(), std::size_t(1));
        const CPlotServer::Plot& plot = server.Plots().front();
        QCOMPARE(plot.values.size(), std::size_t(100));
        for (int k = 0; k < 100; ++k) QCOMPARE(plot.values[std::size_t(k)], float(k + 3000));
        // The line's physical ends: x = i pitchX + firstX, y = j pitchY + firstY.
        float x0 = 0, y1 = 0;
        std::memcpy(&x0, &plot.info[0], 4);
        std::memcpy(&y1, &plot.info[3], 4);
        QCOMPARE(x0, float(image->GetFirstX()));
        QCOMPARE(y1, float(3 * image->GetPitchY() + image->GetFirstY()));
        QCOMPARE(plot.info[6], 99u);
        // The legend names the image as well as the line.
        QCOMPARE(plot.name, QStringLiteral("ramp.slc: Line from [0,3] to [99,3]"));

        // A second line adds a second curve.
        answers.Accept<CPlotServer>();
        QTest::mousePress(w.view->Canvas(), Qt::LeftButton, {}, ViewPointOf(r, 0, 0, 100, 20));
        QTest::mouseRelease(w.view->Canvas(), Qt::LeftButton, {}, ViewPointOf(r, 9, 0, 100, 20));
        QCOMPARE(server.Plots().size(), std::size_t(2));
        QCOMPARE(server.Plots()[1].values[98], 8.0f);
        QCOMPARE(server.Plots()[1].values[99], 9.0f);

        // A line on another image is told apart by its image's name.
        auto other = MakeImage(30, 30, 1.0, 1.0, [](std::uint32_t c, std::uint32_t) { return 2.0 * c; });
        other->SetTitle("Volume1 Z Slices 12");
        ImageWindow<> second(*other);
        second.frame->LinerAction()->trigger();
        const ViewRect r2 = second.view->Layout().imageRect;
        answers.Accept<CPlotServer>();
        QTest::mousePress(second.view->Canvas(), Qt::LeftButton, {}, ViewPointOf(r2, 0, 5, 30, 30));
        QTest::mouseRelease(second.view->Canvas(), Qt::LeftButton, {}, ViewPointOf(r2, 29, 5, 30, 30));
        QCOMPARE(server.Plots().size(), std::size_t(3));
        QCOMPARE(server.Plots()[2].name, QStringLiteral("Volume1 Z Slices 12: Line from [0,5] to [29,5]"));
        if (const QByteArray shots = qgetenv("VOXMILL_SHOTS"); !shots.isEmpty()) {
            server.InitDialog();
            server.resize(880, 440);
            server.show();
            QVERIFY(QTest::qWaitForWindowExposed(&server));
            server.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/plot-two-images.png"));
            server.hide();
        }
        CPlotServer::SetApplicationServer(nullptr);
    }

    void fitToWindowPicksTheLargestScaleThatFits() {
        auto image = MakeImage(1000, 400, 1.0, 1.0, [](std::uint32_t c, std::uint32_t) { return c; });
        ImageWindow<> w(*image, QSize(900, 800));
        QAction* fit = w.view->FitToWindowAction();
        QVERIFY(fit);
        QCOMPARE(fit->text(), QStringLiteral("Fit to Window"));
        const QSize frameBefore = w.frame->size();
        const QSize room = w.view->ScrollArea()->maximumViewportSize();
        fit->trigger();
        const int percent = w.view->Zoom();
        // The whole extent shows, and one percent more would not.
        QCOMPARE(percent, FitPercent(1000, 400, room.width(), room.height()));
        QVERIFY(w.view->Layout().extentX <= room.width() && w.view->Layout().extentY <= room.height());
        const ImageLayout larger = ImageLayout::AtScale(1000, 400, percent + 1);
        QVERIFY(larger.extentX > room.width() || larger.extentY > room.height());
        QCOMPARE(w.view->Layout().imageRect.Width(), 1000 * percent / 100);
        QCOMPARE(w.frame->size(), frameBefore);  // the window is the measure: it stays
        for (int level : kZoomLevels) QVERIFY(!w.view->ZoomAction(level)->isChecked() || level == percent);
        // The pixel read-out follows the fitted picture.
        const ViewRect r = w.view->Layout().imageRect;
        QCOMPARE(w.view->PixelAt(QPoint(r.right, r.bottom)), (PixelIndex{999, 399}));
        // A fixed level afterwards is the plain level again.
        w.view->ZoomAction(50)->trigger();
        QCOMPARE(w.view->Layout().imageRect.Width(), 500);
        QVERIFY(w.view->ZoomAction(50)->isChecked());

        // A small image fits by growing, up to the largest fitted scale.
        auto tiny = MakeImage(2, 2, 1.0, 1.0, [](auto, auto) { return 1.0; });
        ImageWindow<> t(*tiny, QSize(900, 800));
        t.view->FitToWindow();
        QCOMPARE(t.view->Zoom(), kMaxFitPercent);
        QCOMPARE(t.view->Layout().imageRect.Width(), 32);
    }

    void fitPercentArithmetic() {
        // 100 pixels in 207 (200 after the margin): exactly 200 %.
        QCOMPARE(FitPercent(100, 100, 207, 207), 200);
        QCOMPARE(FitPercent(100, 100, 206, 900), 199);
        // 3 columns in 8: 3 p div 100 <= 1 allows p up to 66.
        QCOMPARE(FitPercent(3, 1, 8, 900), 66);
        QCOMPARE(FitPercent(5000, 10, 100, 100), 1);  // never below 1 %
        QCOMPARE(FitPercent(0, 10, 100, 100), 100);
        // The six levels keep their own layout under AtScale.
        for (int level : kZoomLevels)
            for (std::uint32_t w : {1u, 3u, 4u, 101u})
                QCOMPARE(ImageLayout::AtScale(w, 61, level).imageRect, ImageLayout::At(w, 61, level).imageRect);
        QCOMPARE(NextZoomLevel(100, true), 150);
        QCOMPARE(NextZoomLevel(100, false), 50);
        QCOMPARE(NextZoomLevel(137, true), 150);
        QCOMPARE(NextZoomLevel(137, false), 100);
        QCOMPARE(NextZoomLevel(400, true), 400);
        QCOMPARE(NextZoomLevel(25, false), 25);
        QCOMPARE(NextZoomLevel(1600, false), 400);
    }

    void ctrlWheelStepsThroughTheLevels() {
        auto image = Ramp();  // 100 x 50
        ImageWindow<> w(*image);
        QWidget* canvas = w.view->Canvas();
        const QPoint at(w.view->Layout().imageRect.left + 10, w.view->Layout().imageRect.top + 10);
        const auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
            QWheelEvent event(QPointF(at), QPointF(canvas->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                              modifiers, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(canvas, &event);
            return event.isAccepted();
        };
        QVERIFY(wheel(120, Qt::ControlModifier));
        QCOMPARE(w.view->Zoom(), 150);
        QVERIFY(w.view->ZoomAction(150)->isChecked());
        wheel(240, Qt::ControlModifier);
        QCOMPARE(w.view->Zoom(), 400);
        wheel(120, Qt::ControlModifier);  // the last level holds
        QCOMPARE(w.view->Zoom(), 400);
        // Half notches add up to one step.
        wheel(-60, Qt::ControlModifier);
        QCOMPARE(w.view->Zoom(), 400);
        wheel(-60, Qt::ControlModifier);
        QCOMPARE(w.view->Zoom(), 200);
        QCOMPARE(w.view->Layout().imageRect.Width(), 200);
        // The plain wheel is the scroll area's: no zoom.
        wheel(-120, Qt::NoModifier);
        QCOMPARE(w.view->Zoom(), 200);
        // The pixel under the mouse stays under it.
        QScrollBar* hBar = w.view->ScrollArea()->horizontalScrollBar();
        QScrollBar* vBar = w.view->ScrollArea()->verticalScrollBar();
        const ViewRect r200 = w.view->Layout().imageRect;
        const QPoint middle((r200.left + r200.right) / 2, (r200.top + r200.bottom) / 2);
        const QPoint onScreen = middle - QPoint(hBar->value(), vBar->value());
        const PixelIndex under = w.view->PixelAt(middle);
        QWheelEvent in(QPointF(middle), QPointF(canvas->mapToGlobal(middle)), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(canvas, &in);
        QCOMPARE(w.view->Zoom(), 400);
        const PixelIndex after = w.view->PixelAt(onScreen + QPoint(hBar->value(), vBar->value()));
        QVERIFY2(std::abs(after.column - under.column) <= 1 && std::abs(after.row - under.row) <= 1,
                 qPrintable(QStringLiteral("%1,%2 became %3,%4").arg(under.column).arg(under.row).arg(after.column).arg(after.row)));
        wheel(-120, Qt::ControlModifier);
        QCOMPARE(w.view->Zoom(), 200);
        // From a fitted scale the wheel goes to the neighbouring level.
        w.view->FitToWindow();
        const int fitted = w.view->Zoom();
        wheel(-120, Qt::ControlModifier);
        QCOMPARE(w.view->Zoom(), NextZoomLevel(fitted, false));
    }

    void greyWindowSlidersShowTheirValues() {
        auto image = MakeImage(100, 10, 1.0, 1.0, [](std::uint32_t c, std::uint32_t) { return c / 9.9; });
        ImageWindow<> w(*image);
        QCOMPARE(w.frame->WidthSlider()->toolTip(), QStringLiteral("Adjust Grey Window Width: 1000"));
        QCOMPARE(w.frame->PositionSlider()->toolTip(), QStringLiteral("Adjust Grey Window Position: 499"));
        w.frame->PositionSlider()->setValue(700);
        QCOMPARE(w.frame->PositionSlider()->toolTip(),
                 QString::asprintf("Adjust Grey Window Position: 700\nGrey level window: from %.3f to %.3f",
                                   double(w.view->WindowLow()), double(w.view->WindowHigh())));
        QVERIFY(w.frame->PositionSlider()->toolTip().endsWith(QStringLiteral("from 2.007 to 10.000")));
        // The other slider's tip shows the same window.
        QVERIFY(w.frame->WidthSlider()->toolTip().startsWith(QStringLiteral("Adjust Grey Window Width: 1000\n")));
        QVERIFY(w.frame->WidthSlider()->toolTip().endsWith(QStringLiteral("from 2.007 to 10.000")));
        QCOMPARE(w.frame->WidthSlider()->statusTip(), QStringLiteral("Adjust Grey Window Width"));
    }

    void lineReleasedOffThePictureEndsOnItsBorder() {
        auto image = MakeImage(40, 30, 1.0, 1.0, [](std::uint32_t c, std::uint32_t r) { return c + 100.0 * r; });
        ImageWindow<> w(*image);
        CPlotServer server;
        w.view->SetPlotServer(&server);
        w.view->SetZoom(200);
        w.frame->LinerAction()->trigger();
        const ViewRect r = w.view->Layout().imageRect;
        test::ScopedDialogAnswers answers;
        answers.Accept<CPlotServer>();
        // A press outside the picture starts nothing.
        w.view->OnLeftButtonDown(QPoint(r.left - 3, r.top));
        QVERIFY(!w.view->IsDragging());
        w.view->OnLeftButtonDown(QPoint(r.left + 1, r.top + 1));
        w.view->OnLeftButtonUp(QPoint(r.right + 500, r.bottom + 500));
        QCOMPARE(server.Plots().size(), std::size_t(1));
        QCOMPARE(server.Plots().front().values.back(), 39.0f + 100.0f * 29);
    }

    void imageChangeRebuildsTheBitmap() {
        auto image = Ramp();
        ImageWindow<> w(*image);
        w.view->SetZoom(50);
        w.frame->WidthSlider()->setValue(10);
        const CDib* before = w.view->GetBitmap();
        QVERIFY(before);

        // A new, smaller image through the core's import.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("m.raw"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            const float values[6] = {1, 2, 3, 4, 5, 6};
            f.write(reinterpret_cast<const char*>(values), sizeof values);
        }
        BinaryMatrixImport values;
        values.width = 3;
        values.height = 2;
        image->ImportBinaryMatrix(path.toStdString(), values);  // hint 108
        QCOMPARE(w.view->Zoom(), 100);
        QCOMPARE(w.view->Layout().imageRect.Width(), 3);
        const CDib* after = w.view->GetBitmap();
        QVERIFY(after);
        QCOMPARE(after->GetWidth(), 4);
        // Full range again: the largest value is the top grey level.
        QCOMPARE(BitmapIndex(*after, 2, 1, 2), std::uint8_t(255));
        QCOMPARE(w.frame->StatusText(), QStringLiteral("Ready to import data"));
    }

    void noImageShowsNothing() {
        CSurface empty;
        empty.OnNewDocument();
        empty.m_bAutoDelete = false;
        ImageWindow<> w(empty);
        QVERIFY(!w.view->GetBitmap());
        QCOMPARE(w.view->Layout().extentX, 300);
        QVERIFY(w.view->Layout().imageRect.IsEmpty());
        w.frame->LinerAction()->trigger();
        w.view->OnLeftButtonDown(QPoint(150, 100));
        w.view->OnLeftButtonUp(QPoint(160, 100));
        w.view->OnMouseMove(QPoint(150, 100));
        QCOMPARE(w.frame->StatusText(), QStringLiteral("Ready to import data"));
        w.frame->WidthSlider()->setValue(3);
        QCOMPARE(w.frame->StatusText(), QStringLiteral("Ready to import data"));
    }

    void printsTheWholeExtent() {
        auto image = Ramp();
        ImageWindow<> w(*image);
        QTemporaryDir dir;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("image.pdf")));
        QVERIFY(w.view->PrintImage(printer));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("image.pdf"))).size() > 0);
    }
};

}  // namespace voxmill

QTEST_MAIN(voxmill::ImageViewTest)
#include "ImageViewTest.moc"
