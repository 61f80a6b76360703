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
local port = tonumber(arg[1])
local PING = "ping 0123456789\n"
local PATTERN = "abcdefghijklmnopqrstuvwxyz0123456789"
local LARGEST_READ = 1024

-- Right before a measured loop: the runner samples CPU times at this line.
local function begin(row)
  print("BENCH-BEGIN " .. row .. " luasocket")
  io.stdout:flush()
end

local function report(row, n, wall)
  print(string.format('BENCH {"row":"%s","side":"luasocket","n":%d,"wall":%.9f}', row, n, wall))
  io.stdout:flush()
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
  local text = string.rep(PATTERN, math.ceil(size / #PATTERN)):sub(1, size)
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

for i = 2, #arg do
  local task = arg[i]
  local kind, a, b = task:match("^(%a+):(%d+):?(%d*)$")
  a, b = tonumber(a), tonumber(b)
  if kind == "pingpong" then pingpong(a)
  elseif kind == "send" and b then bulk(a, b)
  elseif kind == "recv" and b then receive_loop(a, b)
  else error("unknown task " .. task) end
end
