#include "reconstruction/ui/ComparisonReportDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

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
    // Large enough for every line without scrolling.
    const QFontMetrics metrics(m_pText->font());
    int widest = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
    const int width = widest + 4 * metrics.averageCharWidth() + 2 * layout->contentsMargins().left();
    const int height = metrics.lineSpacing() * (static_cast<int>(lines.size()) + 2) + buttons->sizeHint().height() +
                       3 * layout->contentsMargins().top();
    resize(std::clamp(width, 360, 900), std::clamp(height, 240, 800));
}

QString CComparisonReportDialog::Text() const { return m_pText->toPlainText(); }

void CComparisonReportDialog::OnCopy() {
    if (QClipboard* clipboard = QApplication::clipboard()) clipboard->setText(Text());
}

}  // namespace voxmill
