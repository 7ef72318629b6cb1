#include "phantom/ui/PhantomElementView.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <charconv>

#include "app/DocumentEx.h"
#include "app/ui/MessageBox.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementForm.h"

namespace voxmill {
namespace {

struct FieldRange {
    double lo, hi;
};

FieldRange RangeOf(CPhantomElementView::Field field) {
    using F = CPhantomElementForm;
    switch (field) {
        case CPhantomElementView::kMu: return {F::kMuMin, F::kMuMax};
        case CPhantomElementView::kTranslationX:
        case CPhantomElementView::kTranslationY:
        case CPhantomElementView::kTranslationZ: return {F::kTranslationMin, F::kTranslationMax};
        case CPhantomElementView::kPhi:
        case CPhantomElementView::kTheta:
        case CPhantomElementView::kPsi: return {F::kAngleMin, F::kAngleMax};
        default: return {F::kScaleMin, F::kScaleMax};
    }
}

// Where each field's value lives in the form.
double& ValueOf(CPhantomElementForm& form, CPhantomElementView::Field field) {
    switch (field) {
        case CPhantomElementView::kMu: return form.mu;
        case CPhantomElementView::kTranslationX: return form.translation[0];
        case CPhantomElementView::kTranslationY: return form.translation[1];
        case CPhantomElementView::kTranslationZ: return form.translation[2];
        case CPhantomElementView::kPhi: return form.angles[0];
        case CPhantomElementView::kTheta: return form.angles[1];
        case CPhantomElementView::kPsi: return form.angles[2];
        case CPhantomElementView::kScaleX: return form.scale[0];
        case CPhantomElementView::kScaleY: return form.scale[1];
        default: return form.scale[2];
    }
}

QString Capitalised(QString text) {
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

}  // namespace

CPhantomElementView::CPhantomElementView(QWidget* parent) : CWidgetView(parent) { CreateControls(); }

CPhantomElementView::~CPhantomElementView() { DetachFromDocument(); }

QString CPhantomElementView::FieldName(Field field) {
    static const char* const kNames[kFieldCount] = {
        "Attenuation MU", "Translation X", "Translation Y", "Translation Z", "Rotation PHI",
        "Rotation THETA", "Rotation PSI", "Scaling X",     "Scaling Y",     "Scaling Z"};
    return QString::fromLatin1(kNames[field]);
}

void CPhantomElementView::CreateControls() {
    for (int i = 0; i < kFieldCount; ++i) {
        m_fields[i] = new QLineEdit;
        m_fields[i]->setObjectName(FieldName(static_cast<Field>(i)));
        m_fields[i]->setMinimumWidth(90);
    }
    m_pPrimitive = new QComboBox;
    m_pApply = new QPushButton(QStringLiteral("Apply"));
    connect(m_pApply, &QPushButton::clicked, this, &CPhantomElementView::OnApply);

    auto* top = new QFormLayout;
    top->addRow(QStringLiteral("Primitive"), m_pPrimitive);
    top->addRow(QStringLiteral("Attenuation MU"), m_fields[kMu]);

    auto group = [this](const QString& title, const char* const labels[3], Field first) {
        auto* box = new QGroupBox(title);
        auto* grid = new QGridLayout(box);
        for (int i = 0; i < 3; ++i) {
            grid->addWidget(new QLabel(QString::fromLatin1(labels[i])), 0, 2 * i);
            grid->addWidget(m_fields[first + i], 0, 2 * i + 1);
        }
        return box;
    };
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    static const char* const kAngles[3] = {"PHI", "THETA", "PSI"};

    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(group(QStringLiteral("Translation"), kAxes, kTranslationX));
    column->addWidget(group(QStringLiteral("Rotation (degrees)"), kAngles, kPhi));
    column->addWidget(group(QStringLiteral("Scaling"), kAxes, kScaleX));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pApply);
    column->addLayout(buttons);
    column->addStretch(1);
}

CPhantomElement* CPhantomElementView::GetElement() const { return dynamic_cast<CPhantomElement*>(GetDocument()); }

QString CPhantomElementView::FrameTitle() const {
    const CPhantomElement* element = GetElement();
    const CPhantom::ElementKind* kind = element ? CPhantom::KindOf(*element) : nullptr;
    return kind ? QString::fromLatin1(kind->label) : QStringLiteral("Element");
}

void CPhantomElementView::OnInitialUpdate() {
    m_pPrimitive->clear();
    m_pPrimitive->addItem(PrimitiveText());
    m_pPrimitive->setCurrentIndex(0);
    // A second window of the same element edits for the same phantom.
    if (!m_pOwner && GetDocument())
        for (CView* view : GetDocument()->GetViews())
            if (auto* other = dynamic_cast<CPhantomElementView*>(view); other && other != this && other->m_pOwner)
                m_pOwner = other->m_pOwner;
    CWidgetView::OnInitialUpdate();
}

void CPhantomElementView::OnUpdate(CView*, long, CObject*) {
    if (const CPhantomElement* element = GetElement()) ShowValues(CPhantomElementForm::FromElement(*element));
}

void CPhantomElementView::ShowValues(const CPhantomElementForm& form) {
    CPhantomElementForm values = form;
    for (int i = 1; i < kFieldCount; ++i)
        m_fields[i]->setText(QString::number(ValueOf(values, static_cast<Field>(i)), 'g', 15));
    // MU is stored as a float: show the shortest text that gives the same
    // float back (-0.8, not its widened -0.800000011920929).
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, static_cast<float>(values.mu)).ptr;
    m_fields[kMu]->setText(QString::fromLatin1(text, static_cast<int>(end - text)));
}

bool CPhantomElementView::ReadValues(CPhantomElementForm& form) {
    const QLocale c = QLocale::c();
    for (int i = 0; i < kFieldCount; ++i) {
        bool ok = false;
        const double value = c.toDouble(m_fields[i]->text().trimmed(), &ok);
        if (!ok) {
            ShowMessageBox(this, QMessageBox::Warning,
                           QStringLiteral("%1: please enter a number.").arg(FieldName(static_cast<Field>(i))));
            m_fields[i]->setFocus();
            m_fields[i]->selectAll();
            return false;
        }
        ValueOf(form, static_cast<Field>(i)) = value;
    }
    return true;
}

void CPhantomElementView::FocusFirstOutOfRange(const CPhantomElementForm& form) {
    CPhantomElementForm values = form;
    for (int i = 0; i < kFieldCount; ++i) {
        const FieldRange range = RangeOf(static_cast<Field>(i));
        const double v = ValueOf(values, static_cast<Field>(i));
        if (!(v >= range.lo && v <= range.hi)) {
            m_fields[i]->setFocus();
            m_fields[i]->selectAll();
            return;
        }
    }
}

void CPhantomElementView::OnApply() {
    CPhantomElement* element = GetElement();
    if (!element) return;
    CPhantomElementForm form;
    if (!ReadValues(form)) return;
    std::string error;
    if (!form.ApplyTo(*element, error, this)) {
        ShowMessageBox(this, QMessageBox::Warning, Capitalised(QString::fromStdString(error)) + QLatin1Char('.'));
        FocusFirstOutOfRange(form);
        return;
    }
    // The edit changes the phantom's file: nothing is lost on closing it.
    if (CPhantom* phantom = m_pOwner) {
        phantom->SetModifiedFlag();
        phantom->UpdateAllViews(nullptr);
    }
    CDocumentEx::CloseAllViews(*element);  // Apply also closes this window
}

}  // namespace voxmill
