-- The script ends while callbacks are still busy: they run Lua code for
-- good (also catching errors, also in coroutines made before the unloading,
-- also opening boxes or resuming fresh coroutines there), wait in a message
-- box, a receive, an accept, a send and a connect that get nowhere, or flash
-- for 400 s. The host then unloads the module and checks that it is gone,
-- so no worker is left inside the state that the host closes; a finalizer
-- that the closing runs may start no worker there either.
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
start_busy(PORTS.busy6, "OnCoroutineLoop", function()
  coroutine.wrap(function() while true do end end)()
end)
start_busy(PORTS.busy7, "OnCoroutineBoxes", function()
  coroutine.wrap(function() while true do tMsg("again and again") end end)()
end)
start_busy(PORTS.busy8, "OnFreshCoroutines", function()
  coroutine.wrap(function() while true do coroutine.wrap(function() end)() end end)()
end)
start_busy(PORTS.busy9, "OnLongFlash", function()
  tSetFlashTime(5000)
  tFlash(40)
end)
-- A send on a connection whose other end the script accepts but never
-- reads waits once the buffers are full; a connect to a listener whose
-- queue is full waits.
local unread, stuck = tCreate(0, 0), tCreate(0, 0)
start_busy(PORTS.busy10, "OnSendStuck", function() tSend(unread, string.rep("s", 64 * 1024 * 1024)) end)
start_busy(PORTS.busy11, "OnConnectStuck", function() tConnect(stuck, "127.0.0.1", PORTS.stuck) end)
function OnKeepUnread(_, event) return event == 2 end
local keeper = tCreate(0, PORTS.busytcp)
assert(tSetCallback(keeper, "OnKeepUnread") == 1 and tListen(keeper) == 1, "a listener that never reads")
expect(tConnect(unread, "127.0.0.1", PORTS.busytcp), 1, "connect to it")
for _, start in ipairs(starts) do start() end
check(wait_until(function() return #busy == #starts end), "every callback is busy")

-- Runs while the host closes the state, after it unregistered the module.
function OnAfterClose() return true end
FinalizedLast = newproxy(true)
getmetatable(FinalizedLast).__gc = function()
  local h = tCreate(1, 0)
  print("the finalizer's tCreate gave " .. h)
  if h ~= 0 then tSetCallback(h, "OnAfterClose") end
end
finish("unload while busy")
