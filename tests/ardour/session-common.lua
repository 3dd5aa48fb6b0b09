-- Shared by the session scripts (run by ardour7-lua with the Dummy backend; loaded with dofile).
io.stdout:setvbuf("no")
local script = arg and arg[0] or "session"

function env(name, default)
    local value = os.getenv(name)
    if value == nil or value == "" then
        if default ~= nil then return default end
        print(script .. ": " .. name .. " is not set")
        os.exit(2)
    end
    return value
end

function die(message)
    print(script .. ": " .. message)
    os.exit(1)
end

function start_engine()
    if AudioEngine:set_backend("None (Dummy)", "", ""):isnil() then die("no Dummy backend") end
    if AudioEngine:start(false) ~= 0 then die("the Dummy backend did not start") end
end

-- Parameter changes reach the plug-in in the next process cycles.
function settle()
    ARDOUR.LuaAPI.wait_for_process_callback(4, 2000)
end

-- "index=value,index=value" in plain values, as given in POMELU_SET.
function set_params(proc, settings)
    for index, value in string.gmatch(settings, "(%d+)=([-%d.]+)") do
        if not ARDOUR.LuaAPI.set_processor_param(proc, tonumber(index), tonumber(value)) then
            die("cannot set parameter " .. index)
        end
        print("set param " .. index .. " = " .. value)
    end
    settle()
end

function print_params(proc, plugin)
    for i = 0, plugin:parameter_count() - 1 do
        local value = ARDOUR.LuaAPI.get_processor_param(proc, i)
        print(string.format("param %d %s = %.9g", i, plugin:parameter_label(i), value))
    end
end

-- The session goes first: its butler thread must not still be finishing a transport stop while
-- exit() tears down Ardour's statics.
function finish()
    close_session()
    AudioEngine:stop(false)
    os.exit(0)
end
