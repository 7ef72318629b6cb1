#include "reconstruction/ui/ComparisonReportDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace voxmill {

CComparisonReportDialog::CComparisonReportDialog(const QString& text, QWidget* parent)
    : QDialog(parent), m_pText(new QPlainTextEdit(this)), m_pCopy(new QPushButton(QStringLiteral("Copy"), this)) {
    setWindowTitle(QStringLiteral("Comparison with the Ground Truth"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_pText->setReadOnly(true);
    m_pText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_pText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pText->setPlainText(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_pCopy, QDialogButtonBox::ActionRole);
    connect(m_pCopy, &QPushButton::clicked, this, &CComparisonReportDialog::OnCopy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pText);
    layout->addWidget(buttons);
    resize(460, 400);
}

QString CComparisonReportDialog::Text() const { return m_pText->toPlainText(); }

void CComparisonReportDialog::OnCopy() {
    if (QClipboard* clipboard = QApplication::clipboard()) clipboard->setText(Text());
}

}  // namespace voxmill
