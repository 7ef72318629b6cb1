// voxmill: the cone-beam CT workbench.
#include <QApplication>

#include "app/ui/VoxmillApp.h"
#include "app/ui/WorkbenchFrames.h"

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Voxmill"));
    QApplication::setOrganizationName(QStringLiteral("Voxmill"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    voxmill::CVoxmillApp app(voxmill::WorkbenchFrameTable());
    if (!app.InitInstance(QApplication::arguments())) return app.ExitCode();
    const int status = QApplication::exec();
    app.ExitInstance();
    return status;
}
