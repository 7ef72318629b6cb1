#include "acquisition/ui/ProjectorPropertyPage.h"

#include <QLineEdit>
#include <QLocale>
#include <cmath>

namespace voxmill {

CProjectorPropertyPage::CProjectorPropertyPage(const QString& title, QWidget* parent)
    : QWidget(parent), m_title(title) {}

QString CProjectorPropertyPage::Number(double value) { return QString::number(value, 'g', 15); }

QString CProjectorPropertyPage::RealRangeMessage(double lo, double hi) {
    return QStringLiteral("Please enter a number between %1 and %2.").arg(Number(lo), Number(hi));
}

QString CProjectorPropertyPage::IntRangeMessage(long long lo, long long hi) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(lo).arg(hi);
}

QLineEdit* CProjectorPropertyPage::NewEdit(const QString& objectName) {
    auto* edit = new QLineEdit;
    edit->setObjectName(objectName);
    edit->setMaximumWidth(90);
    return edit;
}

bool CProjectorPropertyPage::ReadReal(QLineEdit* edit, double lo, double hi, double* value, QString* message) {
    bool ok = false;
    const QString text = edit->text().trimmed();
    double v = text.toDouble(&ok);
    if (!ok) v = QLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(v)) {
        *message = QStringLiteral("Please enter a number.");
        return false;
    }
    if (v < lo || v > hi) {
        *message = RealRangeMessage(lo, hi);
        return false;
    }
    *value = v;
    return true;
}

bool CProjectorPropertyPage::ReadInt(QLineEdit* edit, long long lo, long long hi, long long* value,
                                     QString* message) {
    bool ok = false;
    const long long v = edit->text().trimmed().toLongLong(&ok);
    if (!ok) {
        *message = QStringLiteral("Please enter an integer.");
        return false;
    }
    if (v < lo || v > hi) {
        *message = IntRangeMessage(lo, hi);
        return false;
    }
    *value = v;
    return true;
}

}  // namespace voxmill
