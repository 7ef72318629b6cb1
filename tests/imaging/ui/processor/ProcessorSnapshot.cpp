// Writes a PNG of the workbench with a processor window whose Warping page
// has every warp switched on and a projection collection held by its
// Target page, for a person to check the window's look:
//   QT_QPA_PLATFORM=offscreen voxmill_processor_snapshot out.png [tab index]
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "imaging/ui/processor/ProcessorPropertyPage_Target.h"
#include "imaging/ui/processor/ProcessorPropertyPage_Warp.h"
#include "imaging/ui/processor/ProcessorPropertySheet.h"
#include "tests/imaging/ui/processor/ProcessorUiSupport.h"

using namespace voxmill;
using namespace voxmill::test;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <picture.png> [tab index]\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    qputenv("VOXMILL_SETTINGS", dir.filePath(QStringLiteral("settings.ini")).toLocal8Bit());
    int status = 1;
    {
        ProcessorWorkbench bench;
        bench.Frame().resize(760, 420);
        CProcessorView* view = bench.NewProcessor();
        CProjectionCollection* collection = bench.NewCollection();
        if (!view || !collection) return 1;
        view->Sheet()->setCurrentIndex(CProcessorPropertySheet::kTargetPage);
        DragTarget(*collection, view->Sheet()->TargetPage());
        view->Sheet()->setCurrentIndex(argc == 3 ? std::atoi(argv[2]) : 0);
        CProcessorPropertyPage_Warp* page = view->Sheet()->WarpPage();
        page->ShiftYes()->setChecked(true);
        page->ShiftX()->setValue(12);
        page->ShiftY()->setValue(-4);
        page->RotateYes()->setChecked(true);
        page->Degrees()->setText("7.5");
        page->Clockwise()->setChecked(true);
        page->SpherizeYes()->setChecked(true);
        page->Amount()->setValue(-35);
        QTimer::singleShot(300, [&] {
            status = bench.Frame().grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
            app.quit();
        });
        app.exec();
    }
    return status;
}
