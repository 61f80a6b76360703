-- The script side of the idle row, run by bench_host.exe: idle.lua PORT MS
-- Fills all 30 slots with connections to the bench peer (which keeps them
-- open and silent), serves each by a callback, then blocks in one tWait
-- for MS milliseconds while the runner measures what the process and the
-- wineserver spend meanwhile.
local port = tonumber(arg[1])
local milliseconds = tonumber(arg[2])

function OnIdleText()
  return true
end

local handles = {}
for i = 1, 30 do
  local h = tCreate(0, 0)
  if h == 0 or tConnect(h, "127.0.0.1", port) ~= 1 or tSend(h, "HOLD\n") ~= 5 then
    error("cannot reach the peer on port " .. port)
  end
  if tSetCallback(h, "OnIdleText") ~= 1 then error("cannot serve slot " .. h) end
  handles[i] = h
end
print("IDLE READY")
io.stdout:flush()
tWait(handles[1], milliseconds)
print("IDLE DONE")
io.stdout:flush()
tClean()
