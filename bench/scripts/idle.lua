-- The script side of the idle rows, run by bench_host.exe:
--   idle.lua KIND PORT MS
-- Fills the slots with sockets of one KIND, each served by a callback, then
-- blocks in one tWait for MS milliseconds while the runner measures what
-- the process and the wineserver spend meanwhile:
--   connected    30 connections to the bench peer on PORT (which keeps them
--                open and silent)
--   udp          30 UDP slots on ports the system picks (PORT unused)
--   unconnected  30 TCP slots neither connected nor listening (PORT unused)
--   listener     a listener on PORT and the 29 connections it accepts from
--                the peer's idle clients
local kind = arg[1]
local port = tonumber(arg[2])
local milliseconds = tonumber(arg[3])
local CONNECTIONS = 29

function OnIdleText()
  return true
end

local accepted = 0

-- (listener, 2, "", connection) for each accepted connection: serve it too.
function OnIdleListener(_, event, _, connection)
  if event ~= 2 or tSetCallback(connection, "OnIdleText") ~= 1 then return false end
  accepted = accepted + 1
  return true
end

local function new_slot(socket_type)
  local h = tCreate(socket_type, 0)
  if h == 0 then error("no free slot") end
  return h
end

local function connected()
  local h = new_slot(0)
  if tConnect(h, "127.0.0.1", port) ~= 1 or tSend(h, "HOLD\n") ~= 5 then
    error("cannot reach the peer on port " .. port)
  end
  return h
end

local function serve(h)
  if tSetCallback(h, "OnIdleText") ~= 1 then error("cannot serve slot " .. h) end
  return h
end

local first
if kind == "listener" then
  first = tCreate(0, port)
  if first == 0 or tSetCallback(first, "OnIdleListener") ~= 1 or tListen(first) ~= 1 then
    error("cannot listen on port " .. port)
  end
  -- The clients connect while the script waits; only the window is idle.
  while accepted < CONNECTIONS do tWait(first, 50) end
else
  for _ = 1, 30 do
    local h
    if kind == "connected" then h = connected()
    elseif kind == "udp" then h = new_slot(1)
    elseif kind == "unconnected" then h = new_slot(0)
    else error("unknown kind " .. tostring(kind)) end
    serve(h)
    first = first or h
  end
end
print("IDLE READY")
io.stdout:flush()
tWait(first, milliseconds)
print("IDLE DONE")
io.stdout:flush()
tClean()
