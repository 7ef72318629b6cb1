// A progress sink that records what it is told.
#pragma once

#include <string>
#include <vector>

#include "contract/Progress.h"
#include "tests/renderers/common/FakeUnknown.h"

namespace voxmill::test {

class FakeProgress : public FakeUnknown<IProgress, &IID_IProgress> {
public:
    HRESULT Begin(LONG count, BSTR caption) override {
        ++begins;
        this->count = count;
        this->caption.clear();
        for (const OLECHAR* c = caption; c && *c; ++c) this->caption += static_cast<char>(*c);
        log.push_back("begin " + std::to_string(count) + " " + this->caption);
        return S_OK;
    }
    HRESULT Step() override {
        ++steps;
        log.push_back("step");
        return abortAt > 0 && steps >= abortAt ? E_ABORT : S_OK;
    }

    int begins = 0;
    LONG count = -1;
    std::string caption;
    int steps = 0;
    std::vector<std::string> log;  // "begin <count> <caption>" and "step"
    int abortAt = 0;  // from this step on the sink answers E_ABORT (a cancel); 0: never
};

}  // namespace voxmill::test
