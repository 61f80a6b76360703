-- Checks, groups and peer commands shared by the worker test scripts.
io.stdout:setvbuf("line")
-- Arguments of every script: NAME=PORT pairs of the driver.
PORTS = {}
for _, argument in ipairs(arg) do
  local name, port = argument:match("^(%w+)=(%d+)$")
  if name then PORTS[name] = tonumber(port) end
end

local failures, checks = 0, 0
local current = "?"

function check(condition, what)
  checks = checks + 1
  if not condition then
    failures = failures + 1
    print(string.format("FAIL [%s] %s", current, what))
  end
end

function expect(actual, expected, what)
  checks = checks + 1
  if actual ~= expected then
    failures = failures + 1
    print(string.format("FAIL [%s] %s: got %s, expected %s", current, what,
                        tostring(actual), tostring(expected)))
  end
end

-- group(name, body): one group of related cases; an error inside it is a
-- failure. The table is emptied afterwards.
function group(name, body)
  current = name
  local ok, message = pcall(body)
  if not ok then
    failures = failures + 1
    print(string.format("FAIL [%s] raised: %s", name, tostring(message)))
  end
  tClean()
  print("ran " .. name)
end

function finish()
  print(string.format("%d checks, %d failed", checks, failures))
  if failures > 0 then error("tolva worker tests failed", 0) end
end

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
