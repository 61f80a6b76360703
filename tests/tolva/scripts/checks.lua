-- Checks and groups shared by the tolva test scripts, and the ports of the
-- driver's peers (the scripts' NAME=PORT arguments) in PORTS.
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

-- finish([what]): reports the counts and fails the run (a script error, so the
-- host exits non-zero) if any check failed.
function finish(what)
  print(string.format("%d checks, %d failed", checks, failures))
  if failures > 0 then error((what or "tests") .. " failed", 0) end
end
