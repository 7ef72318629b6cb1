#include "app/ui/VoxmillApp.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "app/Document.h"
#include "app/archive/ErrorSink.h"
#include "app/templates/DocManager.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MessageBox.h"
#include "app/ui/PlotServer.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/ResourceIcons.h"
#include "dicom/DicomFile.h"
#include "reconstruction/PluginRegistry.h"

#include "acquisition/ProjectionCollection.h"
#include "hardware/Digitizer.h"
#include "hardware/SlideCollection.h"
#include "reconstruction/SliceCollection.h"

namespace voxmill {

CVoxmillApp::CVoxmillApp(std::vector<FrameRow> frames, QObject* parent)
    : QObject(parent), m_frames(std::move(frames)) {}

CVoxmillApp::~CVoxmillApp() { ExitInstance(); }

bool CVoxmillApp::InitInstance(const QStringList& arguments) {
    m_bRunning = true;
    // Nothing to initialise for in-process drag and drop or control hosting;
    // the per-user settings carry the four-entry recent-file list.
    m_pRecentFiles = std::make_unique<CRecentFileList>();
    CDocument::SetRecentFileSink([this](const std::string& path) {
        m_pRecentFiles->Add(QString::fromStdString(path));
    });

    m_strStartDirectory = QDir::currentPath().toStdString();
    m_strPluginKey = "Plugins";
    m_hPluginIcon = ResourceIcon(197);
    // The sink is not installed yet: a registry that cannot be written
    // goes unmentioned, the program runs without it.
    CPluginRegistry().RegisterCategory();
    m_strCameraFile = "Voxmill.dcf";

    m_grabber.SetCameraFile(m_strCameraFile);
    m_grabber.Load();
    CDigitizer::SetLibraries(&m_grabber);
    m_bGenesisReady = m_grabber.IsGenesisReady();
    m_bMilReady = m_grabber.IsMilReady();

    // A toolkit without its dictionary only makes the DICOM export fail,
    // which reports itself; the workbench runs on.
    InitDicomToolkit();

    m_pDocManager = std::make_unique<CDocManager>();
    // Collections create their members' documents through these templates.
    CProjectionCollection::SetProjectionTemplate(m_pDocManager->FindTemplate(129));
    CSliceCollection::SetSliceTemplate(m_pDocManager->FindTemplate(137));
    CSlideCollection::SetSlideTemplate(m_pDocManager->FindTemplate(147));

    m_plotServer = std::make_unique<CPlotServer>();
    CPlotServer::SetApplicationServer(m_plotServer.get());
    m_pMainWnd = std::make_unique<CMainFrame>(*m_pDocManager, *m_pRecentFiles);
    m_pMainWnd->InstallFrames(m_frames);
    m_pMainWnd->SetGrabberState(m_bMilReady, m_bGenesisReady);
    SetErrorSink([this](const std::string& message) {
        ShowMessageBox(m_pMainWnd.get(), QMessageBox::Warning, QString::fromStdString(message));
    });

    if (!ProcessShellCommand(arguments)) return false;
    m_pMainWnd->show();
    return true;
}

bool CVoxmillApp::ProcessShellCommand(const QStringList& arguments) {
    QStringList files;
    QString printPath;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& word = arguments.at(i);
        if (word == QLatin1String("-p") || word == QLatin1String("/p")) {
            if (i + 1 >= arguments.size()) {
                ShowMessageBox(nullptr, QMessageBox::Warning, QStringLiteral("-p needs the file to print."));
                m_nExitCode = 2;
                return false;
            }
            printPath = arguments.at(++i);
        } else {
            files << word;
        }
    }

    if (!printPath.isEmpty()) {
        m_nExitCode = PrintFile(printPath) ? 0 : 1;
        return false;
    }
    if (files.isEmpty()) {
        m_pMainWnd->OnFileNew();
        return true;
    }
    // The run goes on when at least one file opened; the others were reported.
    int opened = 0;
    for (const QString& file : files)
        if (m_pMainWnd->OpenDocumentFile(file)) ++opened;
    if (opened == 0) {
        m_nExitCode = 1;
        return false;
    }
    return true;
}

bool CVoxmillApp::PrintFile(const QString& path) {
    if (!m_pMainWnd->OpenDocumentFile(path)) return false;
    QPrinter& printer = m_pMainWnd->Printer();
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path + QStringLiteral(".pdf"));
    }
    const bool printed = m_pMainWnd->PrintActiveView(printer);
    if (!printed) ShowMessageBox(m_pMainWnd.get(), QMessageBox::Warning, QStringLiteral("Cannot print %1.").arg(path));
    return printed;
}

void CVoxmillApp::ExitInstance() {
    if (!m_bRunning) return;
    m_bRunning = false;
    if (m_pMainWnd) m_pMainWnd->CloseAllDocuments();
    m_pMainWnd.reset();
    m_plotServer.reset();
    SetErrorSink(nullptr);
    CDocument::SetRecentFileSink(nullptr);
    m_pDocManager.reset();
    CDigitizer::SetLibraries(nullptr);
    m_grabber.Free();
    m_pRecentFiles.reset();
}

}  // namespace voxmill
