-- Builds a session for the plug-in tests, run by ardour7-lua with the Dummy backend.
-- Settings come from the environment:
--   POMELU_SESSION_DIR, POMELU_SESSION_NAME  where to create the session
--   POMELU_FRAMES       length of the placeholder region, in samples at 48 kHz
--   POMELU_PLUGIN       the plug-in's name (VST 3) or URI (LV2)
--   POMELU_PLUGIN_TYPE  optional: "LV2" for the LV2 plug-in; VST 3 otherwise
--   POMELU_SNAPSHOT_PRESET  optional: recall this factory preset first and save snapshot "snapshot"
--   POMELU_PRESET       optional: factory preset to recall
--   POMELU_SET          optional: parameter settings "index=value,index=value" (plain values)
-- The session gets one stereo track with the plug-in and one region whose two source files the
-- caller overwrites with the test material afterwards.
dofile(os.getenv("POMELU_LUA_DIR") .. "/session-common.lua")

local dir = env("POMELU_SESSION_DIR")
local name = env("POMELU_SESSION_NAME")
local frames = tonumber(env("POMELU_FRAMES"))
local pluginName = env("POMELU_PLUGIN")
local snapshotPreset = env("POMELU_SNAPSHOT_PRESET", "")
local preset = env("POMELU_PRESET", "")
local settings = env("POMELU_SET", "")

start_engine()
if create_session(dir, name, 48000) == nil then die("cannot create the session in " .. dir) end

local tracks = Session:new_audio_track(2, 2, nil, 1, "Voice", ARDOUR.PresentationInfo.max_order,
                                       ARDOUR.TrackMode.Normal, true)
local track = tracks:front()

local pluginType = env("POMELU_PLUGIN_TYPE", "VST3") == "LV2" and ARDOUR.PluginType.LV2 or ARDOUR.PluginType.VST3
local proc = ARDOUR.LuaAPI.new_plugin(Session, pluginName, pluginType, "")
if proc:isnil() then die("Ardour does not know the plug-in \"" .. pluginName .. "\"") end
if track:add_processor_by_index(proc, 0, nil, true) ~= 0 then die("cannot insert the plug-in") end
local plugin = proc:to_insert():plugin(0)

local function recall(label)
    local record = plugin:preset_by_label(label)
    if record == nil or not record.valid then die("no preset \"" .. label .. "\" in Ardour's list") end
    print("recalling preset " .. label .. " (" .. record.uri .. ")")
    if not plugin:load_preset(record) then die("Ardour could not load preset \"" .. label .. "\"") end
    settle()
    print("recalled preset " .. label)
end

if snapshotPreset ~= "" then
    recall(snapshotPreset)
    if Session:save_state("snapshot", false, false, false, false, false) ~= 0 then
        die("cannot save snapshot")
    end
end

if preset ~= "" then recall(preset) end

set_params(proc, settings)

-- A placeholder region the length of the test material: Ardour bounces the silent track into two
-- float sources, which the caller then overwrites.
local region = track:bounce_range(0, frames, ARDOUR.InterThreadInfo(), track:main_outs(), false, "material")
if region:isnil() then die("bounce failed") end
track:playlist():add_region(region, Temporal.timepos_t(0), 1, false)
for i = 0, 1 do
    print("source " .. region:source(i):to_filesource():path())
end

settle()
print_params(proc, plugin)
if Session:save_state("", false, false, false, false, false) ~= 0 then die("cannot save the session") end
print("saved " .. dir .. "/" .. name .. ".ardour")
finish()
