-- Checks, groups and peer commands shared by the worker test scripts.
io.stdout:setvbuf("line")
local here = debug.getinfo(1, "S").source:match("^@(.*[/\\])") or ""
dofile(here .. "../../scripts/checks.lua")

-- Waits until condition() holds, at most `seconds` (a bound against
-- hanging, not a measurement); sleeps without the state's lock meanwhile.
function wait_until(condition, seconds)
  local deadline = os.time() + (seconds or 30)
  while not condition() do
    if os.time() > deadline then return false end
    TestSleep(5)
  end
  return true
end

-- Gives the driver one command; answers the connection's handle.
function command(text)
  local h = tCreate(0, 0)
  assert(h ~= 0, "tCreate for the control connection")
  assert(tConnect(h, "127.0.0.1", PORTS.control) == 1, "connect to the driver")
  assert(tSend(h, text .. "\n") == #text + 1, "send the command")
  return h
end

-- The driver's one-line answer to a command.
function answer(h)
  local text = ""
  while not text:find("\n") do
    local piece = tRecv(h, 0)
    if piece == "" then break end
    text = text .. piece
  end
  tClose(h)
  return (text:gsub("\n$", ""))
end

-- Records every callback as {handle, event, text, extra, error} where
-- error is tGetError(handle) at the time of the call.
function recorder(name, answer_for)
  local calls = {}
  _G[name] = function(h, event, text, extra)
    calls[#calls + 1] = { h = h, event = event, text = text, extra = extra, err = tGetError(h) }
    if answer_for then return answer_for(h, event, text, extra) end
    return true
  end
  return calls
end
