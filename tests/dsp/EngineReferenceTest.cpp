// SPDX-License-Identifier: GPL-3.0-or-later
// The engine against renders made by its sample-by-sample form, for the orders and channel layouts
// the plug-in's presets never reach: within 1e-12 per stored sample.
#include "EngineReferenceCases.h"
#include "ReferenceFile.h"

#include <gtest/gtest.h>

using namespace pomelu::test;

TEST(EngineReference, OddOrdersBypassAndMonoStayWithinOneTrillionthOfTheStoredRenders)
{
    for (const EngineCase& c : engineCases())
    {
        const std::string path = std::string(POMELU_ENGINE_REFERENCE_DIR) + "/" + c.name + ".f64";
        const std::vector<double> reference = readReference(path);
        const std::vector<double> rendered = renderEngineCase(c);
        ASSERT_EQ(reference.size(), rendered.size()) << path;
        const Deviation d = largestDeviation(rendered, reference);
        EXPECT_LE(d.largest, 1e-12) << c.name << ": frame "
                                    << d.at / static_cast<std::size_t>(c.outputs) * kEngineCaseStride;
    }
}
