-- A UDP exchange: sends a datagram to a peer and waits for its answer.
--   luahost.exe udp_exchange.lua [ADDRESS] [PORT] [TEXT] [LOCAL_PORT]
-- ADDRESS must be a dotted IPv4 address: tSendTo does no name lookup.
local address = arg[1] or "127.0.0.1"
local port = tonumber(arg[2]) or 7
local text = arg[3] or "ping from tolva"
local localPort = tonumber(arg[4]) or 0

local u = tCreate(1, localPort)      -- UDP, bound to localPort (0: any)
if u == 0 then error("no socket (port in use, or all 30 slots taken)") end

local sent = tSendTo(u, text, address, port)
if sent == 0 then
  local code = tGetError(u)          -- the Winsock error of the failed send
  tClose(u)
  error("sending failed, Winsock error " .. code)
end
print("sent " .. sent .. " bytes to " .. address .. ":" .. port .. ": " .. text)

-- tRecv blocks until a datagram arrives; the sender is not reported.
print("received: " .. tRecv(u, 0))
tClose(u)
