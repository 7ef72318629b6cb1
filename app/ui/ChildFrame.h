// The MDI child window of list and target windows: one view of one
// document. Besides the usual child behaviour it
// - lets the user drag its document, when that is a target, onto an
//   operator (press on the icon the frame draws and drag), and applies the
//   drag's result: link (an operator took the document: it loses its
//   windows and its template list entry) or move (dropped on the main frame:
//   the window moves to the drop point, keeping its size);
// - replaces minimising by a compact icon form: caption and borders go, the
//   window shrinks in place to the document's icon with the title beneath,
//   clipped to that shape; a double click restores it.
// DestroyWindow detaches the view from its document at once; the widgets
// themselves are deleted once control is back in the event loop, so a
// frame may be destroyed from inside one of its own handlers.
#pragma once

#include <QMdiSubWindow>
#include <QPixmap>
#include <QPoint>
#include <QRect>

#include "app/FrameWnd.h"

class QStackedWidget;

namespace voxmill {

class CDocTemplate;
class CDocument;
class CTarget;
class CWidgetView;
class CIconFormWidget;

class CChildFrame : public QMdiSubWindow, public CFrameWnd {
    Q_OBJECT

public:
    explicit CChildFrame(QWidget* parent = nullptr);
    ~CChildFrame() override;

    // Puts the view in the frame and adds it to the document's views.
    void AttachView(CWidgetView* view, CDocument& doc);
    // First update of the view, caption, then shows the frame.
    virtual void InitialUpdateFrame();

    // CFrameWnd
    void DestroyWindow() override;
    CView* GetActiveView() const override;

    CWidgetView* GetView() const { return m_pView; }
    // The template whose factory made the frame (Window, New Window makes
    // another of the same kind).
    CDocTemplate* GetTemplate() const { return m_pTemplate; }
    void SetTemplate(CDocTemplate* tmpl) { m_pTemplate = tmpl; }
    CDocument* GetDocument() const;
    bool IsDestroyed() const { return m_bDestroyed; }
    void UpdateTitle();

    // Opens a new frame for an existing document from a template and gives
    // it its first update; null when the template shows no window for it.
    static CChildFrame* OpenFrame(CDocTemplate& tmpl, CDocument& doc);
    // Shows the document in the template's window instead of its current
    // windows (the document survives the change); null, with the windows
    // left as they were, when the template makes none.
    static CChildFrame* ReplaceFrames(CDocument& doc, CDocTemplate& tmpl);

    // Compact icon form.
    bool IsIconForm() const { return m_bIconForm; }
    void EnterIconForm();
    void LeaveIconForm();

    // The document as a drag target, or null when it is none.
    CTarget* GetTarget() const;
    // Drags the document (a target) with its icon under the cursor, then
    // applies the result.
    void StartTargetDrag(QWidget* source);
    // What the source does after a target drag ended with `action`;
    // `globalDropPoint` is where a move put the window.
    void ApplyDragResult(Qt::DropAction action, const QPoint& globalDropPoint);

    // The icon the frame draws for its document.
    QPixmap DocumentIcon(int size) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // May the frame close? Asks to save a modified document whose last
    // window this is, and the modified targets held inside the frame.
    virtual bool CanCloseFrame();
    QStackedWidget* Stack() const { return m_pStack; }

private:
    friend class CIconFormWidget;
    void DetachView();
    QRect CaptionIconRect() const;

    QStackedWidget* m_pStack;
    CWidgetView* m_pView = nullptr;
    CDocTemplate* m_pTemplate = nullptr;
    CIconFormWidget* m_pIconForm = nullptr;
    bool m_bDestroyed = false;
    bool m_bIconForm = false;
    QRect m_restoreRect;
    Qt::WindowFlags m_restoreFlags;
    QSize m_restoreMinimum;
    QSize m_restoreMaximum;
    bool m_bDragPending = false;
    QPoint m_pressPos;
};

}  // namespace voxmill
