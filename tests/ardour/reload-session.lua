-- Loads a saved session with the Dummy backend and, depending on the environment:
--   POMELU_SESSION_DIR, POMELU_SESSION_NAME  the session (and snapshot) to load
--   POMELU_SET          optional: parameter settings "index=value,..." applied after the load
--   POMELU_SAVE_AS      optional: save the reloaded session as this snapshot
--   POMELU_EXPORT_DIR   optional: export [0, POMELU_FRAMES) of the master bus as float WAV
--   POMELU_EXPORT_NAME  file name of the export, without extension
--   POMELU_EXPORT_PRESET  id of the float WAV export preset in the configuration folder
-- Prints every parameter of the session's first plug-in on the "Voice" track.
dofile(os.getenv("POMELU_LUA_DIR") .. "/session-common.lua")

local dir = env("POMELU_SESSION_DIR")
local name = env("POMELU_SESSION_NAME")
local saveAs = env("POMELU_SAVE_AS", "")
local exportDir = env("POMELU_EXPORT_DIR", "")

start_engine()
if load_session(dir, name) == nil then die("cannot load " .. dir .. "/" .. name) end

local track = Session:route_by_name("Voice")
if track:isnil() then die("no track \"Voice\"") end
local proc = track:nth_plugin(0)
if proc:isnil() then die("the plug-in was not restored on the track") end
local plugin = proc:to_insert():plugin(0)
print("plug-in " .. plugin:name())

settle()
print_params(proc, plugin)
set_params(proc, env("POMELU_SET", ""))

if saveAs ~= "" then
    if Session:save_state(saveAs, false, false, false, false, false) ~= 0 then die("cannot save " .. saveAs) end
    print("saved snapshot " .. saveAs)
end

if exportDir ~= "" then
    local export = Session:simple_export()
    export:set_folder(exportDir)
    export:set_name(env("POMELU_EXPORT_NAME"))
    export:set_range(0, tonumber(env("POMELU_FRAMES")))
    if not export:set_preset(env("POMELU_EXPORT_PRESET")) then die("the float WAV export preset is missing") end
    if not export:check_outputs() then die("the master bus has no outputs to export") end
    if not export:run_export() then die("export failed") end
    print("exported " .. exportDir)
end
finish()
