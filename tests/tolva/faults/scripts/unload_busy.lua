-- The script ends while callbacks are still busy: one runs Lua code for
-- good (also catching errors), one waits in a message box, one in a receive
-- and one in an accept that get nothing. The host then unloads the module
-- and checks that it is gone, so no worker is left inside the state that
-- the host closes.
local directory = arg[0]:match("^(.*[/\\])") or ""
dofile(directory .. "../../workers/scripts/common.lua")

local busy = {}
local sender = tCreate(1, 0)
-- Every port is bound before any worker starts: a worker's own sockets take
-- ports the system picks, which could be one of these.
local starts = {}
local function start_busy(port, name, body)
  _G[name] = function(_, event)
    if event == 1 then
      busy[#busy + 1] = name
      body()
    end
    return true
  end
  local u = tCreate(1, port)
  assert(u ~= 0, "a slot on the port for " .. name)
  starts[#starts + 1] = function()
    assert(tSetCallback(u, name) == 1, "serve " .. name)
    expect(tSendTo(sender, "go", "127.0.0.1", port), 2, "start " .. name)
  end
end

local silent = tCreate(1, 0)
start_busy(PORTS.busy1, "OnLoopForever", function()
  while true do tGetCount() end
end)
start_busy(PORTS.busy2, "OnCatchForever", function()
  while true do pcall(function() for _ = 1, 1000 do tGetCount() end end) end
end)
start_busy(PORTS.busy3, "OnMessageBox", function() tMsg("still open at unload") end)
start_busy(PORTS.busy4, "OnReceiveNothing", function() tRecv(silent, 0) end)
local lonely = tCreate(0, 0)
start_busy(PORTS.busy5, "OnAcceptNothing", function() tAccept(lonely, 600000) end)
for _, start in ipairs(starts) do start() end
check(wait_until(function() return #busy == 5 end), "every callback is busy")
finish("unload while busy")
