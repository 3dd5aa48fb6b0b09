// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2Bundle.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace iplug
{

namespace
{

const char* kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                        "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                        "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                        "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                        "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                        "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                        "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                        "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                        "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
                        "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                        "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
                        "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                        "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                        "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                        "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A Turtle decimal: the shortest text that reads back as the same double, with a decimal point.
std::string number(double v)
{
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, v);
    std::string s(text, r.ptr);
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

std::string quoted(const std::string& s)
{
    std::string out = "\"";
    for (const char c : s)
    {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

const char* unitFor(const char* label)
{
    static const struct
    {
        const char* label;
        const char* unit;
    } kUnits[] = {{"dB", "units:db"}, {"Hz", "units:hz"}, {"ms", "units:ms"}, {"%", "units:pc"}};
    for (const auto& u : kUnits)
        if (std::strcmp(label, u.label) == 0)
            return u.unit;
    return nullptr;
}

void controlPort(std::ostream& out, std::uint32_t index, const std::string& symbol, const std::string& name,
                 bool input)
{
    out << "    [\n        a lv2:" << (input ? "InputPort" : "OutputPort") << " , lv2:ControlPort ;\n"
        << "        lv2:index " << index << " ;\n        lv2:symbol " << quoted(symbol) << " ;\n"
        << "        lv2:name " << quoted(name) << " ;\n";
}

void paramPort(std::ostream& out, const IParam& p, std::uint32_t index, const std::string& symbol)
{
    controlPort(out, index, symbol, p.GetName(), true);
    out << "        lv2:default " << number(p.GetDefault()) << " ;\n"
        << "        lv2:minimum " << number(p.GetMin()) << " ;\n"
        << "        lv2:maximum " << number(p.GetMax()) << " ;\n";
    if (p.Type() == IParam::kTypeBool)
        out << "        lv2:portProperty lv2:toggled ;\n";
    else if (p.Type() == IParam::kTypeEnum)
    {
        out << "        lv2:portProperty lv2:integer , lv2:enumeration ;\n        lv2:scalePoint ";
        for (int v = 0; v < p.NDisplayTexts(); ++v)
            out << (v > 0 ? " , " : "") << "[ rdfs:label " << quoted(p.GetDisplayText(v)) << " ; rdf:value "
                << number(v) << " ]";
        out << " ;\n";
    }
    else if (const char* unit = unitFor(p.GetLabel()))
        out << "        units:unit " << unit << " ;\n";
    out << "    ]";
}

void describePlugin(std::ostream& out, const IPlugBase& plug, const Lv2BundleInfo& bundle,
                    const Lv2BundleInfo::PluginEntry& entry, const std::vector<std::string>& symbols)
{
    const Lv2PortLayout layout{entry.info.nChannels};
    const int version = plug.GetConfig().vendorVersion;
    out << "<" << entry.info.uri << ">\n    a lv2:Plugin , lv2:DynamicsPlugin , doap:Project ;\n"
        << "    doap:name " << quoted(entry.name) << " ;\n"
        << "    doap:license <" << bundle.license << "> ;\n"
        << "    doap:maintainer [ foaf:name " << quoted(plug.GetMfrName()) << " ] ;\n"
        << "    lv2:project <" << bundle.project << "> ;\n"
        << "    lv2:minorVersion " << ((version >> 8) & 0xFF) << " ;\n"
        << "    lv2:microVersion " << (version & 0xFF) << " ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , opts:options ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << (bundle.uiUri.empty() ? std::string() : "    ui:ui <" + bundle.uiUri + "> ;\n")
        << "    lv2:port\n";
    for (int c = 0; c < layout.nChannels; ++c)
        for (const bool input : {true, false})
        {
            const std::string channel = layout.nChannels == 1 ? "" : c == 0 ? " Left" : " Right";
            out << "    [\n        a lv2:" << (input ? "InputPort" : "OutputPort") << " , lv2:AudioPort ;\n"
                << "        lv2:index " << (input ? layout.AudioIn(c) : layout.AudioOut(c)) << " ;\n"
                << "        lv2:symbol " << quoted(Lv2AudioSymbol(input, c, layout.nChannels)) << " ;\n"
                << "        lv2:name " << quoted((input ? "In" : "Out") + channel) << "\n    ] ,\n";
        }
    out << "    [\n        a lv2:InputPort , atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports time:Position ;\n        lv2:designation lv2:control ;\n"
        << "        lv2:index " << layout.Control() << " ;\n        lv2:symbol \"control\" ;\n"
        << "        lv2:name \"Control\"\n    ] ,\n"
        << "    [\n        a lv2:OutputPort , atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        lv2:designation lv2:control ;\n        rsz:minimumSize " << kLv2NotifyMinimumSize
        << " ;\n"
        << "        lv2:index " << layout.Notify() << " ;\n        lv2:symbol \"notify\" ;\n"
        << "        lv2:name \"Notify\"\n    ] ,\n";
    controlPort(out, layout.Enabled(), "enabled", "Enabled", true);
    out << "        lv2:designation lv2:enabled ;\n        lv2:portProperty lv2:toggled ;\n"
        << "        lv2:default 1 ;\n        lv2:minimum 0 ;\n        lv2:maximum 1\n    ] ,\n";
    const double meterRange[kLv2NumMeters][2] = {{-90.0, 24.0}, {-90.0, 24.0}, {0.0, 60.0}};
    for (int m = 0; m < kLv2NumMeters; ++m)
    {
        controlPort(out, layout.Meter(m), kLv2MeterSymbols[m], kLv2MeterNames[m], false);
        out << "        lv2:minimum " << number(meterRange[m][0]) << " ;\n        lv2:maximum "
            << number(meterRange[m][1]) << " ;\n        units:unit units:db\n    ] ,\n";
    }
    for (int i = 0; i < plug.NParams(); ++i)
    {
        paramPort(out, *plug.GetParam(i), layout.Param(i), symbols[static_cast<std::size_t>(i)]);
        out << (i + 1 < plug.NParams() ? " ,\n" : " .\n\n");
    }
}

bool writeFile(const std::string& path, const std::string& text, std::string& error)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
    f.close();
    if (!f)
        error = "cannot write " + path;
    return static_cast<bool>(f);
}

} // namespace

std::string Lv2PresetSlug(const char* presetName)
{
    std::string s = Lv2ParamSymbol(presetName);
    for (char& c : s)
        if (c == '_')
            c = '-';
    return s;
}

bool WriteLv2Bundle(const IPlugBase& plug, const Lv2BundleInfo& bundle, const std::string& dir,
                    std::string& error)
{
    std::vector<std::string> symbols;
    std::set<std::string> seen = {"in",    "out",     "in_l",   "in_r",   "out_l",
                                  "out_r", "control", "notify", "enabled"};
    seen.insert(std::begin(kLv2MeterSymbols), std::end(kLv2MeterSymbols));
    for (int i = 0; i < plug.NParams(); ++i)
    {
        symbols.push_back(Lv2ParamSymbol(plug.GetParam(i)->GetName()));
        if (!seen.insert(symbols.back()).second)
        {
            error = "two ports would be called " + symbols.back();
            return false;
        }
    }

    std::ostringstream manifest, description;
    manifest << kPrefixes;
    description << kPrefixes << "<" << bundle.project << ">\n    a doap:Project ;\n    doap:name "
                << quoted(plug.GetPluginName()) << " ;\n    doap:homepage <" << bundle.homepage
                << "> ;\n    doap:maintainer [ foaf:name " << quoted(plug.GetMfrName()) << " ] .\n\n";
    // The state's properties, so that hosts and validators know them.
    if (!bundle.plugins.empty())
    {
        const Lv2PluginInfo& info = bundle.plugins.front().info;
        description << "<" << info.stateKey << ">\n    a rdf:Property ;\n    rdfs:label \"state\" ;\n"
                    << "    rdfs:comment \"The plug-in's saved state, as its own byte chunk.\" ;\n"
                    << "    rdfs:range atom:Chunk .\n\n"
                    << "<" << info.presetStateKey
                    << ">\n    a rdf:Property ;\n    rdfs:label \"preset state\" ;\n"
                    << "    rdfs:comment \"What a preset sets beside the port values, as text.\" ;\n"
                    << "    rdfs:range atom:String .\n\n";
    }
    if (!bundle.uiUri.empty())
    {
        const std::string ui = "<" + bundle.uiUri + ">\n    a ui:X11UI ;\n    lv2:binary <" +
                               bundle.uiBinary +
                               "> ;\n    lv2:requiredFeature ui:idleInterface , ui:parent , urid:map ;\n"
                               "    lv2:optionalFeature ui:resize , ui:touch ;\n"
                               "    lv2:extensionData ui:idleInterface , ui:resize .\n\n";
        manifest << ui;
    }
    for (const auto& entry : bundle.plugins)
    {
        manifest << "<" << entry.info.uri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << bundle.binary
                 << "> ;\n    rdfs:seeAlso <" << bundle.descriptionFile << "> .\n\n";
        describePlugin(description, plug, bundle, entry, symbols);
    }
    for (int p = 0; p < plug.NPresets(); ++p)
    {
        const std::string slug = Lv2PresetSlug(plug.GetPresetName(p));
        const std::string uri = bundle.presetUriPrefix + slug;
        const std::string file = "preset-" + slug + ".ttl";
        std::ostringstream preset;
        preset << kPrefixes << "<" << uri << ">\n    a pset:Preset ;\n    lv2:appliesTo ";
        manifest << "<" << uri << ">\n    a pset:Preset ;\n    lv2:appliesTo ";
        for (std::size_t k = 0; k < bundle.plugins.size(); ++k)
        {
            const std::string sep = k > 0 ? " , " : "";
            preset << sep << "<" << bundle.plugins[k].info.uri << ">";
            manifest << sep << "<" << bundle.plugins[k].info.uri << ">";
        }
        manifest << " ;\n    rdfs:label " << quoted(plug.GetPresetName(p)) << " ;\n    rdfs:seeAlso <" << file
                 << "> .\n\n";
        preset << " ;\n    rdfs:label " << quoted(plug.GetPresetName(p)) << " ;\n    lv2:port ";
        const std::vector<double>& values = plug.GetPresetValues(p);
        bool first = true;
        for (int i = 0; i < plug.NParams(); ++i)
        {
            const double v = values[static_cast<std::size_t>(i)];
            if (std::isnan(v))
                continue;
            preset << (first ? "" : " ,\n        ") << "[ lv2:symbol "
                   << quoted(symbols[static_cast<std::size_t>(i)]) << " ; pset:value "
                   << number(plug.GetParam(i)->Constrain(v)) << " ]";
            first = false;
        }
        const std::string extra = plug.GetPresetExtraState(p);
        if (!extra.empty() && !bundle.plugins.empty())
            preset << " ;\n    state:state [ <" << bundle.plugins.front().info.presetStateKey << "> "
                   << quoted(extra) << " ]";
        preset << " .\n";
        if (!writeFile(dir + "/" + file, preset.str(), error))
            return false;
    }
    return writeFile(dir + "/manifest.ttl", manifest.str(), error) &&
           writeFile(dir + "/" + bundle.descriptionFile, description.str(), error);
}

} // namespace iplug
