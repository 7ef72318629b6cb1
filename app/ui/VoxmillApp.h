// The workbench's application object: what the whole run shares, the
// start-up in its fixed order (settings and recent files, the frame
// grabber's libraries, the DICOM toolkit, the document templates, the main
// frame, the command line) and the exit in reverse.
//
// Command line: `voxmill FILE...` opens each file with its registered
// kind; `voxmill -p FILE` prints the file's window and ends (to FILE.pdf
// when no printer is installed); without files File, New runs.
#pragma once

#include <QIcon>
#include <QObject>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/FrameTable.h"
#include "hardware/GrabberLibraries.h"

namespace voxmill {

class CDocManager;
class CMainFrame;
class CPlotServer;
class CRecentFileList;

class CVoxmillApp : public QObject {
    Q_OBJECT

public:
    explicit CVoxmillApp(std::vector<FrameRow> frames, QObject* parent = nullptr);
    ~CVoxmillApp() override;

    // The start-up. False when the program is to end now; ExitCode() then
    // says with which status.
    bool InitInstance(const QStringList& arguments);
    int ExitCode() const { return m_nExitCode; }
    // Closes the main frame and its documents, deletes the templates, frees
    // the frame grabber. Runs once; the destructor calls it too.
    void ExitInstance();

    CMainFrame* GetMainFrame() const { return m_pMainWnd.get(); }
    CDocManager* GetDocManager() const { return m_pDocManager.get(); }
    CRecentFileList* GetRecentFiles() const { return m_pRecentFiles.get(); }

    std::string m_strStartDirectory;
    std::string m_strPluginKey;
    QIcon m_hPluginIcon;
    std::string m_strCameraFile;
    bool m_bGenesisReady = false;
    bool m_bMilReady = false;
    CGrabberLibraries m_grabber;
    // The chart window that collects the image views' line profiles.
    std::unique_ptr<CPlotServer> m_plotServer;

private:
    bool ProcessShellCommand(const QStringList& arguments);
    bool PrintFile(const QString& path);

    std::vector<FrameRow> m_frames;
    std::unique_ptr<CRecentFileList> m_pRecentFiles;
    std::unique_ptr<CDocManager> m_pDocManager;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    int m_nExitCode = 0;
    bool m_bRunning = false;
};

}  // namespace voxmill
