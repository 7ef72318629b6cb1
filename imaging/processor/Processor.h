// The processor: the operator that warps every projection of a projection
// collection in place (shift, rotate, spherize, as WarpValues says). The
// document holds nothing of its own, so a .prc file holds only what
// COperator stores (nothing); the warp values belong to the window or the
// command line and are handed to Process.
//
// A run announces one step per member ("Processing..."). Linked members
// are loaded, warped and written to a staged file beside their own; only
// when every one of them was written do the staged files replace the
// member files, so a failed run leaves all member files as they were.
// In-place members are then warped in memory and the collection is marked
// modified. (In a collection of one kind this is list order; a mixed one
// has its linked members done first.) A linked member whose file cannot be
// read is left alone and reported.
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
    // Linked member files that could not be written: then no member file
    // and no member was changed. (A staged file that cannot be renamed over
    // its member at the very end is listed too; members renamed before it
    // keep their new contents.)
    std::vector<std::string> unwritten;

    bool Ran() const { return problem.empty(); }
    bool Complete() const { return problem.empty() && unreadable.empty() && unwritten.empty(); }
};

class CProcessor : public COperator {
    VOXMILL_DECLARE_SERIAL(CProcessor)

public:
    static constexpr const char* kStepText = "Processing...";
    // Suffix of the staged copy of a linked member while a run writes it.
    static constexpr const char* kStagedSuffix = ".~warp";

    CProcessor();
    ~CProcessor() override;

    // Stores and loads nothing.
    void Serialize(CArchive& ar) override;

    // Whether the Target page accepts a drop of that target type code
    // (projection collections only).
    static bool AcceptsTarget(std::uint16_t targetType);

    // The "Render" command: checks the values, then warps every member of
    // a projection collection target. Any other target is left alone.
    ProcessorReport Process(CDocument* target, const WarpValues& values);

private:
    struct Staged;
    void WarpLinked(CProjectionCollection& collection, const WarpValues& values, ProcessorReport& report);
    void WarpInPlace(CProjectionCollection& collection, const WarpValues& values, ProcessorReport& report);
    // Loads, warps and writes one linked member to its staged file; false
    // when the member cannot be read (a failed write goes in the report).
    bool StageMember(CListElementStub& stub, const WarpValues& values, std::vector<Staged>& staged,
                     ProcessorReport& report);
};

}  // namespace voxmill
