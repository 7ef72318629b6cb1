#include "mpi/MpiJob.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <numeric>
#include <vector>

#include "cli/ProgressFrame.h"

namespace voxmill::mpi {
namespace {

constexpr int kTagProgress = 1;
constexpr int kTagFinished = 2;
constexpr int kPermille = 1000;

}  // namespace

CMpiJob::CMpiJob(MPI_Comm comm) : m_comm(comm) {
    MPI_Comm_rank(m_comm, &m_rank);
    MPI_Comm_size(m_comm, &m_size);
}

CMpiJob::~CMpiJob() = default;

bool CMpiJob::Agree(bool ok, const std::string& failure) {
    int failing = ok ? m_size : m_rank;
    int first = m_size;
    MPI_Allreduce(&failing, &first, 1, MPI_INT, MPI_MIN, m_comm);
    if (first == m_size) return true;
    // The lowest failing rank's words travel to rank 0.
    std::string message = failure.empty() ? "failed" : failure;
    if (first != 0) {
        if (m_rank == first) {
            MPI_Send(message.data(), static_cast<int>(std::min<std::size_t>(message.size(), 4096)), MPI_CHAR, 0, 0,
                     m_comm);
        } else if (m_rank == 0) {
            MPI_Status status;
            MPI_Probe(first, 0, m_comm, &status);
            int length = 0;
            MPI_Get_count(&status, MPI_CHAR, &length);
            message.assign(static_cast<std::size_t>(length), '\0');
            MPI_Recv(message.data(), length, MPI_CHAR, first, 0, m_comm, MPI_STATUS_IGNORE);
        }
    }
    if (m_rank == 0) std::cerr << "voxmill-mpi: rank " << first << ": " << message << '\n';
    return false;
}

bool CMpiJob::IsToldToFail() const {
    const char* value = std::getenv("VOXMILL_MPI_FAIL_RANK");
    if (!value || !*value) return false;
    char* end = nullptr;
    const long rank = std::strtol(value, &end, 10);
    return *end == '\0' && rank == m_rank;
}

CRelayProgressFrame::CRelayProgressFrame(const CMpiJob& job) : m_job(job) {
    MPI_Comm_dup(job.Comm(), &m_comm);
    if (job.IsRoot()) {
        m_bar = std::make_unique<cli::StderrProgressFrame>();
        m_permille = std::make_unique<int[]>(static_cast<std::size_t>(job.Size()));
        std::fill_n(m_permille.get(), job.Size(), 0);
    }
}

CRelayProgressFrame::~CRelayProgressFrame() { MPI_Comm_free(&m_comm); }

void CRelayProgressFrame::SetStatusText(int pane, const std::string& text) {
    if (m_bar) m_bar->SetStatusText(pane, text);
}

void CRelayProgressFrame::SetProgressRange(unsigned steps) {
    m_steps = steps;
    m_pos = 0;
    Report();
}

void CRelayProgressFrame::StepProgress() {
    if (m_pos < m_steps) ++m_pos;
    Report();
}

void CRelayProgressFrame::Report() {
    const int permille = m_steps ? static_cast<int>(std::uint64_t{m_pos} * kPermille / m_steps) : 0;
    if (m_job.IsRoot()) {
        m_permille[0] = permille;
        Poll(false);
        Draw();
        return;
    }
    if (permille == m_sent) return;
    m_sent = permille;
    MPI_Send(&m_sent, 1, MPI_INT, 0, kTagProgress, m_comm);
}

void CRelayProgressFrame::Poll(bool wait) {
    for (;;) {
        int flag = 0;
        MPI_Status status;
        if (wait) {
            MPI_Probe(MPI_ANY_SOURCE, MPI_ANY_TAG, m_comm, &status);
            flag = 1;
        } else {
            MPI_Iprobe(MPI_ANY_SOURCE, MPI_ANY_TAG, m_comm, &flag, &status);
        }
        if (!flag) return;
        int value = 0;
        MPI_Recv(&value, 1, MPI_INT, status.MPI_SOURCE, status.MPI_TAG, m_comm, MPI_STATUS_IGNORE);
        if (status.MPI_TAG == kTagFinished) {
            ++m_finished;
            m_permille[static_cast<std::size_t>(status.MPI_SOURCE)] = kPermille;
        } else {
            m_permille[static_cast<std::size_t>(status.MPI_SOURCE)] = value;
        }
        if (wait) return;
    }
}

void CRelayProgressFrame::Draw() {
    const long total = std::accumulate(m_permille.get(), m_permille.get() + m_job.Size(), 0L);
    // A rank that began its next run starts again from zero: so does the bar.
    if (total < m_shown || m_shown == 0) {
        m_bar->SetProgressRange(static_cast<unsigned>(kPermille * m_job.Size()));
        m_shown = 0;
    }
    for (; m_shown < total; ++m_shown) m_bar->StepProgress();
}

void CRelayProgressFrame::Finish() {
    if (!m_job.IsRoot()) {
        int done = kPermille;
        MPI_Send(&done, 1, MPI_INT, 0, kTagFinished, m_comm);
        return;
    }
    m_permille[0] = kPermille;
    while (m_finished < m_job.Size() - 1) {
        Poll(true);
        Draw();
    }
    Poll(false);
    Draw();
    m_bar->HideProgress();
}

}  // namespace voxmill::mpi
