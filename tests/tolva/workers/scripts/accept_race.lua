-- The script's tAccept and the worker of the served listening slot both
-- wait for one connection. The script's tAccept makes the handle name the
-- connection it got, which cannot listen: the worker, whether it waited in
-- its accept or its readiness wait, ends the slot with the listen error.
-- The module then unloads: no worker may be left behind (the host checks
-- that the module is gone).
local directory = arg[0]:match("^(.*[/\\])") or ""
dofile(directory .. "common.lua")

local accepted, ended = {}, {}
function OnAcceptRaced(h, event, _, extra)
  if event == 2 then accepted[#accepted + 1] = extra end
  if event == 0 then ended[#ended + 1] = { h = h, err = tGetError(h) } end
  return true
end

local l = tCreate(0, PORTS.tcp1)
expect(tSetCallback(l, "OnAcceptRaced"), 1, "serve")
expect(tListen(l), 1, "listen")
expect(answer(command("TCPLATER " .. PORTS.tcp1)), "OK", "the driver will connect")
local a = tAccept(l, 60000)
print("the script accepted with " .. #accepted .. " callback(s) before")
expect(a, 1, "the script accepted a connection")
check(wait_until(function() return #ended == 1 end), "the worker ends")
expect(ended[1] and ended[1].h, l, "with the ending call on the handle")
check(ended[1] and ended[1].err >= 10000, "and the listen error inside it")
check(wait_until(function() return tGetCount() == #accepted end), "the slot is free")
finish()
