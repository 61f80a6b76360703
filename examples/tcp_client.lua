-- A TCP client: connects to a server, sends one line, prints the answer.
--   luahost.exe tcp_client.lua [HOST] [PORT] [TEXT]
local host = arg[1] or "127.0.0.1"
local port = tonumber(arg[2]) or 7
local text = arg[3] or "hello from tolva"

local h = tCreate(0, 0)              -- TCP, any local port
if h == 0 then error("no socket (all 30 in use?)") end

if tConnect(h, host, port) ~= 1 then
  tClose(h)
  error("cannot connect to " .. host .. ":" .. port)
end
print("connected to " .. host .. ":" .. port .. " as handle " .. h)

local sent = tSend(h, text .. "\n")  -- may send less than asked
print("sent " .. sent .. " bytes: " .. text)

-- Read until the line is complete or the server closes ("").
local answer = ""
repeat
  local piece = tRecv(h, 0)          -- 0: up to 1024 bytes
  answer = answer .. piece
until piece == "" or answer:find("\n")
print("received: " .. answer:gsub("\n$", ""))

tClose(h)
