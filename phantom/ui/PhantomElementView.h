// The element editing window: a form with the element's primitive, MU,
// translation, rotation (degrees) and scaling. It takes the element's
// values on its first update and whenever the element changes; Apply
// checks every field (a field that is no number or out of range is
// refused with a message naming it, and nothing changes), applies the
// values, marks the owning phantom modified, and closes the element's
// editing windows.
#pragma once

#include "app/ui/WidgetView.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace voxmill {

class CPhantom;
class CPhantomElement;
class CPhantomElementForm;

class CPhantomElementView : public CWidgetView {
    Q_OBJECT

public:
    enum Field { kMu, kTranslationX, kTranslationY, kTranslationZ, kPhi, kTheta, kPsi, kScaleX, kScaleY, kScaleZ,
                 kFieldCount };

    explicit CPhantomElementView(QWidget* parent = nullptr);
    ~CPhantomElementView() override;

    CPhantomElement* GetElement() const;
    // The phantom the element belongs to; its windows show the change.
    void SetOwner(CPhantom* phantom) { m_pOwner = phantom; }
    CPhantom* GetOwner() const { return m_pOwner; }

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    void OnDetach() override { m_pOwner = nullptr; }
    QString FrameTitle() const override;

    QLineEdit* FieldEdit(Field field) const { return m_fields[field]; }
    QComboBox* PrimitiveBox() const { return m_pPrimitive; }
    QPushButton* ApplyButton() const { return m_pApply; }
    static QString FieldName(Field field);

public slots:
    void OnApply();

protected:
    // The primitive list's single entry ("Unit ball", "Unit cylinder").
    virtual QString PrimitiveText() const = 0;

private:
    void CreateControls();
    void ShowValues(const CPhantomElementForm& form);
    // False, after telling the user, when a field is no number.
    bool ReadValues(CPhantomElementForm& form);
    void FocusFirstOutOfRange(const CPhantomElementForm& form);

    CPhantom* m_pOwner = nullptr;
    QComboBox* m_pPrimitive = nullptr;
    QLineEdit* m_fields[kFieldCount] = {};
    QPushButton* m_pApply = nullptr;
};

}  // namespace voxmill
