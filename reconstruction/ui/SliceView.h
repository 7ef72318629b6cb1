// The slice window's view: the float image view of a CSlice with the two
// bitmap exports of the "Export" menu. "Windows Bitmap (original)" writes
// the slice's own bitmap of its full value range; "Windows Bitmap
// (thresholded)" writes the picture the view shows now, through the grey
// window of the frame's sliders, byte for byte. A failed export says why
// and leaves an existing file as it was.
#pragma once

#include <QString>

#include "imaging/ui/SurfaceView.h"

class QAction;
class QMenu;

namespace voxmill {

class CPngExport;
class CSlice;

class CSliceView : public CSurfaceView {
    Q_OBJECT

public:
    static constexpr unsigned kBitmapTemplate = 144;

    explicit CSliceView(QWidget* parent = nullptr);
    ~CSliceView() override;

    CSlice* GetSlice() const;

    QList<QMenu*> DocumentMenus() const override;
    QString FrameTitle() const override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;

    // The exports with their file chosen; false after showing why they failed.
    bool ExportOriginal(const QString& path);
    bool ExportThresholded(const QString& path);

    QAction* ExportOriginalAction() const { return m_pExportOriginal; }
    QAction* ExportThresholdedAction() const { return m_pExportThresholded; }
    // "PNG Image": the picture as the view shows it, colour map included.
    CPngExport* PngExport() const { return m_pExportPng; }

public slots:
    void OnExportOriginal();
    void OnExportThresholded();

private:
    void CreateActions();
    void UpdateCommandState();
    // The bitmap file to write, or empty on cancel.
    QString PromptBitmapFile();

    QMenu* m_pExportMenu;
    QAction* m_pExportOriginal = nullptr;
    QAction* m_pExportThresholded = nullptr;
    CPngExport* m_pExportPng = nullptr;
};

}  // namespace voxmill
