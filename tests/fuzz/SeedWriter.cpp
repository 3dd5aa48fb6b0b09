// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the fuzzer's seed corpus: one chunk of each version. Usage: pomelu_state_seeds DIR
#include "PomeluRarorudIzad.h"
#include "StateChunk.h"

#include <cstdio>
#include <string>

using namespace pomelu;

namespace
{
bool writeFile(const std::string& path, const iplug::IByteChunk& chunk)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(chunk.GetData(), 1, static_cast<std::size_t>(chunk.Size()), f) ==
                    static_cast<std::size_t>(chunk.Size());
    return std::fclose(f) == 0 && ok;
}

void putValues(iplug::IByteChunk& chunk, const PomeluRarorudIzad& plug, int count)
{
    for (int i = 0; i < count; ++i)
    {
        const double v = plug.GetParam(i)->Value();
        chunk.Put(&v);
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: pomelu_state_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    PomeluRarorudIzad plug{iplug::InstanceInfo{}};
    bool ok = true;

    iplug::IByteChunk fresh;
    plug.SerializeState(fresh);
    ok &= writeFile(dir + "/v4-new-instance", fresh);

    plug.GetParam(kCompThreshold)->Set(-30.0);
    plug.switchCompareSlot();
    plug.GetParam(kDrive)->Set(60.0);
    dsp::ModuleOrder order = dsp::defaultModuleOrder();
    std::swap(order[1], order[9]);
    plug.setModuleOrder(order, true);
    iplug::IByteChunk sideB;
    plug.SerializeState(sideB);
    ok &= writeFile(dir + "/v4-side-b", sideB);

    for (const std::uint32_t magic : {kStateMagicV1, kStateMagicV2, kStateMagicV3})
    {
        const int count = magic == kStateMagicV1 ? 41 : 60;
        iplug::IByteChunk old;
        old.Put(&magic);
        if (magic != kStateMagicV1)
        {
            const std::uint32_t n = static_cast<std::uint32_t>(count);
            old.Put(&n);
        }
        const std::uint32_t active = 1;
        const std::uint8_t captured = 1;
        old.Put(&active);
        old.Put(&captured);
        putValues(old, plug, count);
        putValues(old, plug, count);
        if (magic == kStateMagicV3)
        {
            const std::uint32_t modules = 11;
            old.Put(&modules);
            old.PutBytes(order.data(), 11);
        }
        putValues(old, plug, count);
        const std::uint32_t bypass = 0;
        old.Put(&bypass); // as a host stores it: the wrapper's bypass word follows
        ok &= writeFile(dir + "/v" + std::to_string(magic - kStateMagicV1 + 1) + "-old", old);
    }
    return ok ? 0 : 1;
}
