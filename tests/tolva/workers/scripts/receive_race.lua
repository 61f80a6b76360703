-- The script's tRecv and the worker both wait for the one datagram of a
-- served slot; the loser's worker waits in its receive when the script
-- closes the slot, and then the module unloads: the worker must not be
-- left behind (the host checks that the module is gone).
local directory = arg[0]:match("^(.*[/\\])") or ""
dofile(directory .. "common.lua")

local calls = {}
function OnRaced(_, event, text)
  local record = { event = event, text = text }
  calls[#calls + 1] = record
  return true
end

local u = tCreate(1, PORTS.udp1)
expect(tSetCallback(u, "OnRaced"), 1, "serve")
expect(answer(command("UDPLATER " .. PORTS.udp1)), "OK", "the driver will send")
local text = tRecv(u, 0)
print("the script received " .. text .. " with " .. #calls .. " callback(s) before")
expect(tClose(u), 0, "close the slot")
finish()
