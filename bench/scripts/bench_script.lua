-- What the benchmark scripts of every side share, loaded with
--   local bench = dofile(arg[0]:gsub("[^/\\]*$", "") .. "bench_script.lua")
-- The lines the runner reads, the peer's text pattern and the tasks of the
-- command line.
local bench = {}

-- Right before a measured loop: the runner samples CPU times at this line.
function bench.begin(row, side)
  print("BENCH-BEGIN " .. row .. " " .. side)
  io.stdout:flush()
end

-- N operations took WALL seconds (and CPU seconds by the script's own
-- account, where it has one).
function bench.report(row, side, n, wall, cpu)
  local own = cpu and string.format(',"cpu":%.6f', cpu) or ""
  print(string.format('BENCH {"row":"%s","side":"%s","n":%d,"wall":%.9f%s}', row, side, n, wall, own))
  io.stdout:flush()
end

local PATTERN = "abcdefghijklmnopqrstuvwxyz0123456789"

-- The first SIZE bytes of the peer's pattern.
function bench.pattern_text(size)
  return string.rep(PATTERN, math.ceil(size / #PATTERN)):sub(1, size)
end

-- Runs the tasks arg[FIRST], arg[FIRST + 1], ..., each KIND:A or KIND:A:B,
-- by handlers[KIND](A, B).
function bench.run_tasks(first, handlers)
  for i = first, #arg do
    local task = arg[i]
    local kind, a, b = task:match("^(%a+):(%d+):?(%d*)$")
    if not handlers[kind] then error("unknown task " .. task) end
    handlers[kind](tonumber(a), tonumber(b))
  end
end

return bench
