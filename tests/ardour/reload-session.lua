-- Loads a saved session with the Dummy backend and, depending on the environment:
--   POMELU_SESSION_DIR, POMELU_SESSION_NAME  the session (and snapshot) to load
--   POMELU_SET          optional: parameter settings "index=value,..." applied after the load
--   POMELU_SAVE_AS      optional: save the reloaded session as this snapshot
--   POMELU_EXPORT_DIR   optional: export [0, POMELU_FRAMES) of the master bus as float WAV
--   POMELU_EXPORT_NAME  file name of the export, without extension
--   POMELU_EXPORT_PRESET  id of the float WAV export preset in the configuration folder
-- Prints every parameter of the session's first plug-in on the "Voice" track.
io.stdout:setvbuf("no")

local function env(name, default)
    local value = os.getenv(name)
    if value == nil or value == "" then
        if default ~= nil then return default end
        print("reload-session: " .. name .. " is not set")
        os.exit(2)
    end
    return value
end

local function die(message)
    print("reload-session: " .. message)
    os.exit(1)
end

local dir = env("POMELU_SESSION_DIR")
local name = env("POMELU_SESSION_NAME")
local saveAs = env("POMELU_SAVE_AS", "")
local exportDir = env("POMELU_EXPORT_DIR", "")

if AudioEngine:set_backend("None (Dummy)", "", ""):isnil() then die("no Dummy backend") end
if AudioEngine:start(false) ~= 0 then die("the Dummy backend did not start") end
if load_session(dir, name) == nil then die("cannot load " .. dir .. "/" .. name) end

local track = Session:route_by_name("Voice")
if track:isnil() then die("no track \"Voice\"") end
local proc = track:nth_plugin(0)
if proc:isnil() then die("the plug-in was not restored on the track") end
local plugin = proc:to_insert():plugin(0)
print("plug-in " .. plugin:name())

ARDOUR.LuaAPI.wait_for_process_callback(4, 2000)
for i = 0, plugin:parameter_count() - 1 do
    local value = ARDOUR.LuaAPI.get_processor_param(proc, i)
    print(string.format("param %d %s = %.9g", i, plugin:parameter_label(i), value))
end

local settings = env("POMELU_SET", "")
for index, value in string.gmatch(settings, "(%d+)=([-%d.]+)") do
    if not ARDOUR.LuaAPI.set_processor_param(proc, tonumber(index), tonumber(value)) then
        die("cannot set parameter " .. index)
    end
    print("set param " .. index .. " = " .. value)
end
if settings ~= "" then ARDOUR.LuaAPI.wait_for_process_callback(4, 2000) end

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
-- The session goes first: its butler thread must not still be finishing a transport stop while
-- exit() tears down Ardour's statics.
close_session()
AudioEngine:stop(false)
os.exit(0)
