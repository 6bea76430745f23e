#include "programs/steering/view_state.h"

namespace steering {

ViewState view;
DebugFlags debugFlags;

}  // namespace steering
