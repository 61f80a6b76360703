-- The LuaSocket side of the tolva rows, written as a LuaSocket script would
-- be and run by the stock lua.exe against the bench peer:
--   luasocket_net.lua PORT TASK...
--   pingpong:N     N round trips of a 16-byte line: send, receive() a line
--   send:SIZE:N    N sends of a SIZE-byte string, then the peer's OK line
--   recv:SIZE:N    N requests of SIZE bytes, read with receive(n) of at most
--                  1024 bytes a call, as much as a tRecv can take (a script
--                  could ask receive(SIZE) for a whole request at once)
-- Each task prints one BENCH line for the side "luasocket".
local socket = require("socket")
local bench = dofile(arg[0]:gsub("[^/\\]*$", "") .. "bench_script.lua")
local port = tonumber(arg[1])
local PING = "ping 0123456789\n"
local LARGEST_READ = 1024

local function begin(row)
  bench.begin(row, "luasocket")
end

local function report(row, n, wall)
  bench.report(row, "luasocket", n, wall)
end

local function connect()
  return assert(socket.connect("127.0.0.1", port))
end

local function pingpong(n)
  local client = connect()
  assert(client:send("ECHO\n"))
  for _ = 1, 20 do
    assert(client:send(PING))
    assert(client:receive())
  end
  begin("pingpong")
  local start = socket.gettime()
  for _ = 1, n do
    assert(client:send(PING))
    assert(client:receive())
  end
  report("pingpong", n, socket.gettime() - start)
  client:close()
end

local function bulk(size, n)
  local text = bench.pattern_text(size)
  local client = connect()
  assert(client:send("PUT " .. size * n .. "\n"))
  begin("send:" .. size)
  local start = socket.gettime()
  for _ = 1, n do assert(client:send(text)) end
  assert(client:receive() == "OK")  -- the peer has it all
  report("send:" .. size, n, socket.gettime() - start)
  client:close()
end

local function receive_loop(size, n)
  local client = connect()
  local request = "GET " .. size .. "\n"
  begin("recv:" .. size)
  local start = socket.gettime()
  for _ = 1, n do
    assert(client:send(request))
    local left = size
    while left > 0 do
      local piece = math.min(left, LARGEST_READ)
      assert(client:receive(piece))
      left = left - piece
    end
  end
  report("recv:" .. size, n, socket.gettime() - start)
  client:close()
end

bench.run_tasks(2, {pingpong = pingpong, send = bulk, recv = receive_loop})
