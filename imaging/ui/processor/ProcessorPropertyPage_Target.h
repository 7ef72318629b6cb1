// The processor's "Target" page: the projector's target page taking
// projection collections (target code 101) only, with the link effect.
// The collection it holds is what "Render" warps; replacing it closes and
// deletes the previous one (after asking to save it when it was changed).
#pragma once

#include "acquisition/ui/ProjectorPropertyPage_Target.h"

namespace voxmill {

class CProcessorPropertyPage_Target : public CProjectorPropertyPage_Target {
    Q_OBJECT

public:
    explicit CProcessorPropertyPage_Target(QWidget* parent = nullptr);
};

}  // namespace voxmill
