-- The script side of the tolva rows, run by bench_host.exe against the
-- bench peer:  net.lua PORT ORDER TASK...
--   pingpong:N     N round trips of a 16-byte line (tSend, tRecv(h, 1024))
--   send:SIZE:N    N tSend calls of a SIZE-byte string, then the peer's OK
--   recv:SIZE:N    N requests of SIZE bytes, read with tRecv(h, 1024)
--   call:N         N calls of tGetCount and N of BenchEmpty, the host's
--                  empty C function (row call); N of BenchEmpty and N of
--                  BenchPlainEmpty, the same function of the runtime's own
--                  shape, called without the binding (row binding-call);
--                  ORDER (project-first or baseline-first) says which loops
--                  run first
-- Each task prints one BENCH line per side, as bare_net.exe does.
local bench = dofile(arg[0]:gsub("[^/\\]*$", "") .. "bench_script.lua")
local begin, report = bench.begin, bench.report
local port = tonumber(arg[1])
local order = arg[2]
local PING = "ping 0123456789\n"

-- tSend may send less than asked: send the rest too. The whole text goes
-- as it is: text:sub(1) would compare a long text with itself, byte by
-- byte, to find it among the runtime's strings.
local function send_all(h, text)
  local sent = 0
  while sent < #text do
    local count = tSend(h, sent == 0 and text or text:sub(sent + 1))
    if count <= 0 then error("tSend failed: " .. tGetError(h)) end
    sent = sent + count
  end
end

local function receive_count(h, count)
  while count > 0 do
    local text = tRecv(h, 1024)
    if text == "" then error("tRecv failed") end
    count = count - #text
  end
end

local function connect()
  local h = tCreate(0, 0)
  if h == 0 or tConnect(h, "127.0.0.1", port) ~= 1 then error("cannot reach the peer on port " .. port) end
  return h
end

local function pingpong(n)
  local h = connect()
  send_all(h, "ECHO\n")
  local length = #PING
  for _ = 1, 20 do
    send_all(h, PING)
    receive_count(h, length)
  end
  begin("pingpong", "project")
  local cpu, start = BenchCpu(), BenchClock()
  for _ = 1, n do
    if tSend(h, PING) ~= length then error("tSend failed") end
    receive_count(h, length)
  end
  local wall = BenchClock() - start
  report("pingpong", "project", n, wall, BenchCpu() - cpu)
  tClose(h)
end

local function bulk(size, n)
  local text = bench.pattern_text(size)
  local h = connect()
  send_all(h, "PUT " .. size * n .. "\n")
  begin("send:" .. size, "project")
  local cpu, start = BenchCpu(), BenchClock()
  for _ = 1, n do send_all(h, text) end
  receive_count(h, 3)  -- "OK\n": the peer has it all
  local wall = BenchClock() - start
  report("send:" .. size, "project", n, wall, BenchCpu() - cpu)
  tClose(h)
end

local function receive_loop(size, n)
  local h = connect()
  local request = "GET " .. size .. "\n"
  begin("recv:" .. size, "project")
  local cpu, start = BenchCpu(), BenchClock()
  for _ = 1, n do
    send_all(h, request)
    receive_count(h, size)
  end
  local wall = BenchClock() - start
  report("recv:" .. size, "project", n, wall, BenchCpu() - cpu)
  tClose(h)
end

-- Each loop calls its global by name, as a script does.
local call_loops = {
  tGetCount = function(n) for _ = 1, n do tGetCount() end end,
  BenchEmpty = function(n) for _ = 1, n do BenchEmpty() end end,
  BenchPlainEmpty = function(n) for _ = 1, n do BenchPlainEmpty() end end,
}

local function time_calls(row, side, name, n)
  local loop = call_loops[name]
  begin(row, side)
  local cpu, start = BenchCpu(), BenchClock()
  loop(n)
  report(row, side, n, BenchClock() - start, BenchCpu() - cpu)
end

local function calls(n)
  for _ = 1, math.floor(n / 10) do tGetCount(); BenchEmpty(); BenchPlainEmpty() end
  local loops = {
    {"call", "project", "tGetCount"}, {"call", "baseline", "BenchEmpty"},
    {"binding-call", "project", "BenchEmpty"}, {"binding-call", "baseline", "BenchPlainEmpty"},
  }
  local first, last, step = 1, #loops, 1
  if order == "baseline-first" then first, last, step = #loops, 1, -1 end
  for i = first, last, step do time_calls(loops[i][1], loops[i][2], loops[i][3], n) end
end

bench.run_tasks(3, {pingpong = pingpong, send = bulk, recv = receive_loop, call = calls})
