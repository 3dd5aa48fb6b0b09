// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/ModuleId.h"

#include <cstdint>

namespace pomelu
{

// What the editor shows. Lives in the plug-in, so a rebuilt or reopened editor shows the page and
// module last shown; not saved with the state. UI thread only.
struct EditorNavigation
{
    bool routingPage = true;    // the ROUTING page; false shows the STUDIO page
    bool creativePage = false;  // the STUDIO page's "CREATIVE + SPACE" half
    std::int32_t detailTab = 0; // tab of the routing page's detail card
    dsp::ModuleId selectedModule = dsp::ModuleId::Eq;
};

} // namespace pomelu
