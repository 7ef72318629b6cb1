// The processor: the operator that warps every projection of a projection
// collection in place (shift, rotate, spherize, as WarpValues says). The
// document holds nothing of its own, so a .prc file holds only what
// COperator stores (nothing); the warp values belong to the window or the
// command line and are handed to Process.
//
// A run announces one step per member ("Processing..."). Linked members
// are loaded, warped and written aside first; only when every one of them
// was written are they put in place, and then as the collection's pending
// replacement (CLinkedReplacement): the collection's next save puts every
// member file and the collection in place together, so a failed run
// changes nothing and a run killed at any moment leaves the previous
// collection or the new one, never a mix. (A collection that has no file
// yet gets its member files replaced at the end of the run.) In-place
// members are then warped in memory; the collection is marked modified.
// (In a collection of one kind this is list order; a mixed one has its
// linked members done first.) A linked member whose file cannot be read
// is left alone and reported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Operator.h"
#include "imaging/WarpValues.h"

namespace voxmill {

class CListElementStub;
class CProjectionCollection;

// What a run did.
struct ProcessorReport {
    // Why nothing was processed (bad values, no target, a target that is
    // not a projection collection); empty when the run happened.
    std::string problem;
    std::size_t warped = 0;                 // members warped and kept
    std::vector<std::size_t> unreadable;    // linked members whose file could not be read
    // Linked members that could not be written: then no member was
    // changed. (One whose written file cannot be put in place at the very
    // end is listed too; members put in place before it keep their new
    // contents until the collection is closed unsaved.)
    std::vector<std::string> unwritten;
    // The run was cancelled at a step: no member was changed.
    bool stopped = false;

    bool Ran() const { return problem.empty(); }
    bool Complete() const { return problem.empty() && unreadable.empty() && unwritten.empty() && !stopped; }
};

class CProcessor : public COperator {
    VOXMILL_DECLARE_SERIAL(CProcessor)

public:
    static constexpr const char* kStepText = "Processing...";

    CProcessor();
    ~CProcessor() override;

    // Stores and loads nothing.
    void Serialize(CArchive& ar) override;

    // Whether the Target page accepts a drop of that target type code
    // (projection collections only).
    static bool AcceptsTarget(std::uint16_t targetType);

    // The "Render" command: checks the values, then warps every member of
    // a projection collection target. Any other target is left alone. A
    // cancel request (CancelRequested) stops the run at the next step and
    // gives every member back its pixels; only a collection that mixes
    // linked and in-place members, whose linked part is done, warps its
    // in-place members to the end.
    ProcessorReport Process(CDocument* target, const WarpValues& values);

private:
    struct Staged;
    void WarpLinked(CProjectionCollection& collection, const WarpValues& values, ProcessorReport& report);
    void WarpInPlace(CProjectionCollection& collection, const WarpValues& values, ProcessorReport& report);
    // Loads, warps and writes one linked member aside; false when the
    // member cannot be read (a failed write goes in the report).
    bool StageMember(CProjectionCollection& collection, CListElementStub& stub, const WarpValues& values,
                     std::vector<Staged>& staged, ProcessorReport& report);
};

}  // namespace voxmill
