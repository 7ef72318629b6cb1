#include "app/ui/PlotServer.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QMimeData>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace voxmill {
namespace {

CPlotServer*& TheServer() {
    static CPlotServer* server = nullptr;
    return server;
}

// 1, 2 or 5 times a power of ten, the smallest at least `step`.
double NiceStep(double step) {
    if (!(step > 0)) return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(step)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= step * (1 - 1e-12)) return m * power;
    return 10.0 * power;
}

}  // namespace

CPlotServer::CPlotServer(QWidget* parent)
    : QDialog(parent), m_pChart(new QChart), m_pChartView(new QChartView(m_pChart)) {
    setWindowTitle(QStringLiteral("Voxmill Plot Server"));
    CreateControls();
}

CPlotServer::~CPlotServer() {
    if (TheServer() == this) TheServer() = nullptr;
}

CPlotServer* CPlotServer::ApplicationServer() { return TheServer(); }

void CPlotServer::SetApplicationServer(CPlotServer* server) { TheServer() = server; }

void CPlotServer::CreateControls() {
    // Entries name their image and line: one entry a line, right of the
    // plot, where no axis labels are; one still cut short keeps its name in a tip.
    m_pChart->legend()->setVisible(true);
    m_pChart->legend()->setAlignment(Qt::AlignRight);
    m_pChart->legend()->setShowToolTips(true);
    m_pChartView->setRenderHint(QPainter::Antialiasing);
    m_pChartView->setMinimumSize(760, 360);
    m_pChartView->setObjectName(QStringLiteral("chart"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_pCopy = buttons->addButton(QStringLiteral("Copy to Clipboard"), QDialogButtonBox::ActionRole);
    m_pErase = buttons->addButton(QStringLiteral("Erase plots"), QDialogButtonBox::ActionRole);
    m_pCopy->setObjectName(QStringLiteral("copyToClipboard"));
    m_pErase->setObjectName(QStringLiteral("erasePlots"));
    // The action buttons must not close the dialog as a default button would.
    m_pCopy->setAutoDefault(false);
    m_pErase->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pCopy, &QPushButton::clicked, this, &CPlotServer::OnCopyToClipboard);
    connect(m_pErase, &QPushButton::clicked, this, &CPlotServer::OnErasePlots);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pChartView, 1);
    layout->addWidget(buttons);
}

void CPlotServer::AddPlot(int count, const float* values, const PlotInfo& info, const QString& name) {
    if (count <= 0 || !values) return;
    Plot plot;
    plot.info = info;
    plot.values.assign(values, values + count);
    plot.name = name.isEmpty() ? QStringLiteral("Profile %1").arg(m_plots.size() + 1) : name;
    m_plots.push_back(std::move(plot));
}

void CPlotServer::ClearChart() {
    m_pChart->removeAllSeries();
    for (QAbstractAxis* axis : m_pChart->axes()) {
        m_pChart->removeAxis(axis);
        delete axis;
    }
}

void CPlotServer::InitDialog() {
    ClearChart();
    if (m_plots.empty()) return;
    auto* axisX = new QValueAxis;
    auto* axisY = new QValueAxis;
    axisX->setTitleText(QStringLiteral("Sample"));
    axisX->setLabelFormat(QStringLiteral("%d"));
    axisY->setTitleText(QStringLiteral("Value"));
    // Short labels at round values, so neighbours never run into each other.
    axisY->setLabelFormat(QStringLiteral("%.4g"));
    m_pChart->addAxis(axisX, Qt::AlignBottom);
    m_pChart->addAxis(axisY, Qt::AlignLeft);

    std::size_t longest = 0;
    float low = m_plots.front().values.front(), high = low;
    for (const Plot& plot : m_plots) {
        auto* series = new QLineSeries;
        series->setName(plot.name);
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(plot.values.size()));
        for (std::size_t i = 0; i < plot.values.size(); ++i) {
            const float v = plot.values[i];
            points.append(QPointF(static_cast<double>(i), static_cast<double>(v)));
            if (v < low) low = v;
            if (v > high) high = v;
        }
        series->replace(points);
        longest = std::max(longest, plot.values.size());
        m_pChart->addSeries(series);
        series->attachAxis(axisX);
        series->attachAxis(axisY);
    }
    const double lastSample = static_cast<double>(std::max<std::size_t>(longest, 2) - 1);
    axisX->setRange(0.0, lastSample);
    // Whole sample numbers, about ten of them, from 0.
    axisX->setTickType(QValueAxis::TicksDynamic);
    axisX->setTickAnchor(0.0);
    axisX->setTickInterval(std::max(1.0, NiceStep(lastSample / 10.0)));
    // A flat profile still needs a visible value range.
    const double pad = high > low ? (static_cast<double>(high) - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
    axisY->setRange(static_cast<double>(low) - pad, static_cast<double>(high) + pad);
    axisY->applyNiceNumbers();
}

int CPlotServer::Run(QWidget* parent) {
    InitDialog();
    // Not reparented: the dialog outlives every window that shows it.
    if (parent && !isVisible()) {
        adjustSize();
        const QRect over = parent->window()->frameGeometry();
        move(over.center() - QPoint(width() / 2, height() / 2));
    }
    return exec();
}

QString CPlotServer::ValuesText() const {
    QString text = QStringLiteral("Sample");
    std::size_t rows = 0;
    for (const Plot& plot : m_plots) {
        text += QLatin1Char('\t') + plot.name;
        rows = std::max(rows, plot.values.size());
    }
    text += QLatin1Char('\n');
    for (std::size_t i = 0; i < rows; ++i) {
        text += QString::number(i);
        for (const Plot& plot : m_plots) {
            text += QLatin1Char('\t');
            if (i < plot.values.size()) text += QString::number(static_cast<double>(plot.values[i]), 'g', 9);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

void CPlotServer::OnCopyToClipboard() {
    auto* data = new QMimeData;
    data->setImageData(m_pChartView->grab().toImage());
    data->setText(ValuesText());
    QApplication::clipboard()->setMimeData(data);
}

void CPlotServer::OnErasePlots() {
    m_plots.clear();
    ClearChart();
}

}  // namespace voxmill
