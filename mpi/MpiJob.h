// What every voxmill-mpi command does with its ranks: agree on success
// after each phase (so a failure on any rank stops all of them, with one
// message), and show one progress bar on rank 0 for the steps of all.
#pragma once

#include <mpi.h>

#include <memory>
#include <string>

#include "app/FrameWnd.h"

namespace voxmill::mpi {

class CMpiJob {
public:
    explicit CMpiJob(MPI_Comm comm);
    ~CMpiJob();
    CMpiJob(const CMpiJob&) = delete;
    CMpiJob& operator=(const CMpiJob&) = delete;

    int Rank() const { return m_rank; }
    int Size() const { return m_size; }
    bool IsRoot() const { return m_rank == 0; }
    MPI_Comm Comm() const { return m_comm; }

    // Collective. True when every rank passed ok; otherwise false on every
    // rank, and the message of the lowest failing rank is printed once, by
    // rank 0, as "voxmill-mpi: rank R: MESSAGE".
    bool Agree(bool ok, const std::string& failure);

    // A rank told to fail by VOXMILL_MPI_FAIL_RANK (a drill for the failure
    // path of a cluster job): true on that rank.
    bool IsToldToFail() const;

private:
    MPI_Comm m_comm;
    int m_rank = 0, m_size = 1;
};

// The frame a rank's operator reports to. On rank 0 it draws one bar on
// stderr for the whole job: each rank's progress through its current run,
// summed. The other ranks send theirs to rank 0 when it changes by a
// thousandth. Finish is collective: rank 0 returns once every rank has
// finished.
class CRelayProgressFrame : public CFrameWnd {
public:
    explicit CRelayProgressFrame(const CMpiJob& job);
    ~CRelayProgressFrame() override;

    void DestroyWindow() override {}
    CView* GetActiveView() const override { return nullptr; }
    void SetStatusText(int pane, const std::string& text) override;
    void SetProgressRange(unsigned steps) override;
    void StepProgress() override;
    void HideProgress() override {}

    void Finish();

private:
    void Report();
    void Poll(bool wait);
    void Draw();

    const CMpiJob& m_job;
    MPI_Comm m_comm;  // a communicator of its own: its messages never meet others
    unsigned m_steps = 0, m_pos = 0;
    int m_sent = -1;
    std::unique_ptr<CFrameWnd> m_bar;  // rank 0
    std::unique_ptr<int[]> m_permille;  // rank 0: the last word of each rank
    int m_finished = 0;
    long m_shown = 0;
};

}  // namespace voxmill::mpi
