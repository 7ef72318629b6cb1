#include "cli/ProgressFrame.h"

#include <unistd.h>

#include <iostream>

namespace voxmill::cli {
namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

}  // namespace

InterruptCancels::InterruptCancels() {
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // the second Ctrl-C is the default one
    ::sigaction(SIGINT, &action, &m_previous);
}

InterruptCancels::~InterruptCancels() {
    ::sigaction(SIGINT, &m_previous, nullptr);
    g_interrupted = 0;
}

StderrProgressFrame::StderrProgressFrame() : m_tty(::isatty(STDERR_FILENO) != 0) {}

bool StderrProgressFrame::CancelRequested() const { return g_interrupted != 0; }

void StderrProgressFrame::SetStatusText(int pane, const std::string& text) {
    if (pane != 0 || text == m_text) return;
    m_text = text;
    if (!m_visible) std::cerr << m_text << '\n';
    else Draw(true);
}

void StderrProgressFrame::SetProgressRange(unsigned steps) {
    m_steps = steps;
    m_pos = 0;
    m_shownTenth = -1;
    m_visible = true;
}

void StderrProgressFrame::StepProgress() {
    if (m_pos < m_steps) ++m_pos;
    Draw(false);
}

void StderrProgressFrame::HideProgress() {
    if (m_visible && m_tty) std::cerr << '\n';
    m_visible = false;
}

void StderrProgressFrame::Draw(bool always) {
    const int tenth = m_steps ? static_cast<int>(m_pos * 10 / m_steps) : 10;
    if (!m_tty && !always && tenth == m_shownTenth) return;
    m_shownTenth = tenth;
    constexpr unsigned kWidth = 30;
    const unsigned filled = m_steps ? m_pos * kWidth / m_steps : kWidth;
    std::cerr << (m_tty ? "\r" : "") << m_text << " [" << std::string(filled, '#') << std::string(kWidth - filled, ' ')
              << "] " << m_pos << '/' << m_steps << (m_tty ? "" : "\n") << std::flush;
}

}  // namespace voxmill::cli
