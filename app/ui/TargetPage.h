// The Target page of an operator (projector, backprojector, processor): a
// drop site for target drags of the codes it accepts, with the link effect.
// The page owns the target it holds: a new drop replaces it (the old one
// gets its window back when it holds unsaved changes, and is closed and
// deleted otherwise; one that cannot have a window is offered for saving
// first), destroying the page deletes it, and a double click on the icon
// area gives it a window of its own again and lets go of it. It shows the held target's
// registry type name next to "Target type:" ("n/a" without one) and its
// icon in the 64 x 64 area at (7, 7).
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

class QLabel;

namespace voxmill {

class CTarget;

class CTargetPage : public QWidget {
    Q_OBJECT

public:
    explicit CTargetPage(std::vector<std::uint16_t> acceptedTypes, QWidget* parent = nullptr);
    ~CTargetPage() override;

    const std::vector<std::uint16_t>& AcceptedTypes() const { return m_acceptedTypes; }
    CTarget* GetTarget() const { return m_pTarget; }
    // Takes the target over (it loses its windows and its template list
    // entry); the previous one gets its window back when modified, and is
    // closed and deleted otherwise.
    void SetTarget(CTarget* target);
    // Gives the held target a window from its own template and lets go of
    // it; false (and the target kept) when no window can be made for it.
    bool ReleaseTarget();
    // Asks to save the held target when it is modified; false on Cancel.
    bool SaveModifiedTarget();
    QString TargetTypeName() const;

    static QRect IconArea() { return QRect(7, 7, 64, 64); }

signals:
    void targetChanged(voxmill::CTarget* target);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static void DeleteTarget(CTarget* target);
    // A window from the target's own template, auto-delete back on; false
    // (and nothing changed) when none can be made.
    static bool GiveWindowBack(CTarget* target);
    static bool CanGiveWindowBack(const CTarget* target);
    void Refresh();

    std::vector<std::uint16_t> m_acceptedTypes;
    CTarget* m_pTarget = nullptr;
    QLabel* m_pTypeLabel;
    QLabel* m_pTypeName;
};

}  // namespace voxmill
