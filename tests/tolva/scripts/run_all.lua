-- Runs every tolva test script in this process and fails (a script error,
-- so the host exits non-zero) if any check failed.
-- Arguments: NAME=PORT pairs of the driver's peers.
local directory = arg[0]:match("^(.*[/\\])") or ""

PORTS = {}
for _, argument in ipairs(arg) do
  local name, port = argument:match("^(%w[%w_]*)=(%d+)$")
  if name then PORTS[name] = tonumber(port) end
end

local failures, checks = 0, 0
local current = "?"

-- check(condition, what): counts a failure when condition is false.
function check(condition, what)
  checks = checks + 1
  if not condition then
    failures = failures + 1
    print(string.format("FAIL [%s] %s", current, what))
  end
end

-- expect(actual, expected, what): equality with both values in the report.
function expect(actual, expected, what)
  checks = checks + 1
  if actual ~= expected then
    failures = failures + 1
    print(string.format("FAIL [%s] %s: got %s, expected %s", current, what,
                        tostring(actual), tostring(expected)))
  end
end

-- group(name, body): runs one group of related cases; an error inside it is
-- a failure, and the socket table is emptied afterwards.
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

-- results(...): the values of a call packed with their count.
function results(...)
  return { n = select("#", ...), ... }
end

-- A connection to the control peer that has been given one command.
function control_connection(command)
  local h = tCreate(0, 0)
  assert(h ~= 0, "tCreate for the control peer")
  assert(tConnect(h, "127.0.0.1", PORTS.control) == 1, "connect to the control peer")
  assert(tSend(h, command .. "\n") == #command + 1, "send the command")
  return h
end

-- Everything a TCP peer sends until it closes, read in pieces of `size`;
-- also answers the largest piece.
function receive_all(h, size)
  local pieces, largest = {}, 0
  for _ = 1, 10000 do
    local piece = tRecv(h, size)
    if piece == "" then break end
    largest = math.max(largest, #piece)
    pieces[#pieces + 1] = piece
  end
  return table.concat(pieces), largest
end

for _, name in ipairs({ "test_registration.lua", "test_handles.lua", "test_tcp.lua",
                        "test_udp.lua", "test_desktop.lua" }) do
  dofile(directory .. name)
end

print(string.format("%d checks, %d failed", checks, failures))
if failures > 0 then error("tolva tests failed", 0) end
