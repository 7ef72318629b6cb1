// The base of the projector sheet's pages with fields: each page keeps the
// values it accepted when it was last left, and checks its fields when it
// is left or when the projector reads it. A field that is no number or
// out of range is refused with the standard range message ("Please enter
// a number between 0 and 100.") and gets the focus; the page then keeps
// its previously accepted values.
#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;

namespace voxmill {

class CProjectorPropertyPage : public QWidget {
    Q_OBJECT

public:
    explicit CProjectorPropertyPage(const QString& title, QWidget* parent = nullptr);

    const QString& Title() const { return m_title; }
    // Checks every field; true (and the values accepted) when all are in
    // range, else false with the message and the field to correct.
    virtual bool Validate(QString* message, QWidget** field) = 0;
    // Puts the accepted values back into the fields.
    virtual void ShowAccepted() = 0;

    static QString RealRangeMessage(double lo, double hi);
    static QString IntRangeMessage(long long lo, long long hi);
    static QString Number(double value);

protected:
    // Reads a double in [lo, hi]; false with the standard message otherwise.
    static bool ReadReal(QLineEdit* edit, double lo, double hi, double* value, QString* message);
    static bool ReadInt(QLineEdit* edit, long long lo, long long hi, long long* value, QString* message);
    static QLineEdit* NewEdit(const QString& objectName);

private:
    QString m_title;
};

}  // namespace voxmill
