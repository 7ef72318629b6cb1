// Writes a PNG of the workbench with a backprojector window whose sheet
// shows a renderer's page (Tessor's unless Karvex is named; a projection
// collection dropped on its Target page), for a person to check the
// window's look:
//   xvfb-run -a -s "-screen 0 1280x900x24" voxmill_backprojector_snapshot out.png [tab index] [Karvex]
// The plug-ins are registered in a registry file of the program's own.
#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reconstruction/ui/BackProjectorPropertyPage_Target.h"
#include "reconstruction/ui/BackProjectorPropertySheet.h"
#include "tests/reconstruction/ui/ReconstructionUiSupport.h"

using namespace voxmill;
using namespace voxmill::test;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s <picture.png> [tab index] [Tessor|Karvex]\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    qputenv("VOXMILL_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    qputenv("VOXMILL_SETTINGS", dir.filePath(QStringLiteral("settings.ini")).toLocal8Bit());
    std::string error;
    for (const char* module : {VOXMILL_TESSOR_MODULE, VOXMILL_KARVEX_MODULE}) {
        if (FAILED(CPluginRegistry::RegisterModule(module, &error))) {
            std::fprintf(stderr, "cannot register %s: %s\n", module, error.c_str());
            return 1;
        }
    }
    const bool karvex = argc == 4 && std::string(argv[3]) == "Karvex";
    int status = 1;
    {
        ReconstructionWorkbench bench;
        bench.Frame().resize(900, 640);
        CBackProjectorView* view = bench.NewBackProjector();
        CProjectionCollection* collection = bench.NewCollection();
        if (!view || !collection) return 1;
        DragTarget(*collection, view->Sheet()->TargetPage());
        {
            ScopedRendererChoice choice;
            choice.choose = karvex ? kKarvex : kTessor;
            view->OnSelectRenderer();
        }
        if (argc >= 3) view->Sheet()->setCurrentIndex(std::atoi(argv[2]));
        QTimer::singleShot(500, [&] {
            status = bench.Frame().grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
            app.quit();
        });
        app.exec();
    }
    return status;
}
