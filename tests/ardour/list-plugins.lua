-- Prints every VST 3 plug-in Ardour knows from its scan cache, as "vst3: NAME | CREATOR".
dofile(os.getenv("POMELU_LUA_DIR") .. "/session-common.lua")
start_engine() -- the plug-in manager only exists once an engine runs
for info in ARDOUR.LuaAPI.list_plugins():iter() do
    if info.type == ARDOUR.PluginType.VST3 then
        print("vst3: " .. info.name .. " | " .. info.creator)
    end
end
AudioEngine:stop(false)
os.exit(0)
