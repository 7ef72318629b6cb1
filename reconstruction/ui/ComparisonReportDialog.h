// The figures of a comparison with the ground truth in a small window:
// read-only, selectable text and a "Copy" button that puts all of it on
// the clipboard. Modeless, so the difference volume's window can be
// looked at beside it; it deletes itself when closed.
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace voxmill {

class CComparisonReportDialog : public QDialog {
    Q_OBJECT

public:
    explicit CComparisonReportDialog(const QString& text, QWidget* parent = nullptr);

    QString Text() const;
    QPlainTextEdit* TextEdit() const { return m_pText; }
    QPushButton* CopyButton() const { return m_pCopy; }

public slots:
    void OnCopy();

private:
    QPlainTextEdit* m_pText;
    QPushButton* m_pCopy;
};

}  // namespace voxmill
