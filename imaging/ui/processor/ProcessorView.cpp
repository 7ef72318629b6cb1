#include "imaging/ui/processor/ProcessorView.h"

#include <QPushButton>
#include <QStringList>

#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/Target.h"
#include "app/ui/RunScope.h"
#include "app/ui/MessageBox.h"
#include "imaging/processor/Processor.h"
#include "imaging/ui/processor/ProcessorPropertyPage_Target.h"
#include "imaging/ui/processor/ProcessorPropertySheet.h"

namespace voxmill {

CProcessorView::CProcessorView(QWidget* parent) : CWidgetView(parent) { CreateControls(); }

CProcessorView::~CProcessorView() { DetachFromDocument(); }

void CProcessorView::CreateControls() {
    m_pSheet = new CProcessorPropertySheet(this);
    m_pSheet->move(kMargin, kMargin);
    m_pSheet->resize(m_pSheet->minimumSizeHint().expandedTo(m_pSheet->sizeHint()));
    m_pRender = new QPushButton(QStringLiteral("Render"), this);
    m_pRender->move(kMargin, m_pSheet->geometry().bottom() + 1 + kMargin);
    m_pRender->resize(m_pRender->sizeHint());
    setFixedSize(m_pSheet->geometry().right() + 1 + kMargin, m_pRender->geometry().bottom() + 1 + kMargin);
    connect(m_pRender, &QPushButton::clicked, this, &CProcessorView::OnRender);
}

CProcessor* CProcessorView::GetProcessor() const { return dynamic_cast<CProcessor*>(GetDocument()); }

void CProcessorView::OnRender() {
    if (RunScope::Active()) return;  // one run at a time
    if (!m_pSheet->ValidateActivePage()) return;
    CProcessor* processor = GetProcessor();
    CTarget* target = m_pSheet->TargetPage()->GetTarget();
    if (!processor || !target) return;
    ProcessorReport report;
    {
        RunScope run(m_pRender, GetParentFrame());
        report = processor->Process(target, m_pSheet->Values());
    }
    ReportIncompleteRun(report);
}

void CProcessorView::ReportIncompleteRun(const ProcessorReport& report) {
    QStringList lines;
    if (!report.unwritten.empty()) {
        lines << (report.warped == 0
                      ? QStringLiteral("These projection files could not be written; no projection was changed:")
                      : QStringLiteral("These projection files could not be replaced; %1 projections were warped "
                                       "before them (closing the collection unsaved drops every change):")
                            .arg(report.warped));
        for (const std::string& file : report.unwritten) lines << QString::fromStdString(file);
    }
    if (!report.unreadable.empty()) {
        auto* collection = dynamic_cast<CProjectionCollection*>(m_pSheet->TargetPage()->GetTarget());
        lines << QStringLiteral("These projection files could not be read and were left as they were:");
        for (std::size_t k : report.unreadable) {
            const CListElementStub* stub = collection ? collection->GetMember(k) : nullptr;
            lines << (stub ? QString::fromStdString(stub->m_strPath) : QStringLiteral("member %1").arg(k));
        }
    }
    if (!lines.isEmpty()) ShowMessageBox(this, QMessageBox::Warning, lines.join(QLatin1Char('\n')));
}

}  // namespace voxmill
