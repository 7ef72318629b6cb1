// voxmill-screenshot PHANTOM.pha PICTURE.png: starts the workbench with the
// phantom, opens the editing window of its second element beside the list,
// and saves a picture of the screen. For documentation; run it on a
// display (xvfb-run on a headless machine).
#include <QApplication>
#include <QItemSelectionModel>
#include <QMdiArea>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <cstdio>

#include "app/ui/ChildFrame.h"
#include "app/ui/MainFrame.h"
#include "app/ui/VoxmillApp.h"
#include "app/ui/WorkbenchFrames.h"
#include "phantom/ui/PhantomElementListModel.h"
#include "phantom/ui/PhantomView.h"

using namespace voxmill;

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: voxmill-screenshot PHANTOM.pha PICTURE.png\n");
        return 2;
    }
    CVoxmillApp app(WorkbenchFrameTable());
    if (!app.InitInstance({"voxmill", args[1]})) return 1;
    CMainFrame* frame = app.GetMainFrame();
    frame->setGeometry(0, 0, 1280, 800);

    CChildFrame* list = frame->ActiveFrame();
    auto* view = list ? dynamic_cast<CPhantomView*>(list->GetView()) : nullptr;
    if (!view) return 1;
    list->setGeometry(10, 10, 520, 330);
    view->List()->selectionModel()->select(view->Model()->index(1, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->OnOpenElement();
    if (CChildFrame* element = frame->ActiveFrame(); element && element != list) element->move(560, 10);

    const QString picture = args[2];
    QTimer::singleShot(1500, [&] {
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        const bool saved = shot.save(picture, "PNG");
        std::fprintf(stderr, saved ? "saved %s\n" : "cannot save %s\n", qPrintable(picture));
        QApplication::exit(saved ? 0 : 1);
    });
    const int status = QApplication::exec();
    app.ExitInstance();
    return status;
}
