-- The echo server's harder form: callbacks split the text into lines in Lua
-- and echo whole lines, while the script's loop alternates tGetCount and
-- tWait on the listener.
--   burst_echo_parse.lua PORT CONNECTIONS
local port = tonumber(arg[1])
local limit = tonumber(arg[2])
local ended, partial = 0, {}

local function send_all(h, text)
  local sent = 0
  while sent < #text do
    local count = tSend(h, text:sub(sent + 1))
    if count <= 0 then return false end
    sent = sent + count
  end
  return true
end

function OnLineConnection(h, event, text)
  if event == 1 then
    local pending = (partial[h] or "") .. text
    local lines = {}
    for line in pending:gmatch("([^\n]*)\n") do lines[#lines + 1] = line .. "\n" end
    partial[h] = pending:match("[^\n]*$")
    return send_all(h, table.concat(lines))
  end
  partial[h] = nil
  ended = ended + 1
  return true
end

function OnLineListener(_, event, _, connection)
  if event == 2 then
    partial[connection] = ""
    return tSetCallback(connection, "OnLineConnection") == 1
  end
  return true
end

local listener = tCreate(0, port)
assert(listener ~= 0 and tSetCallback(listener, "OnLineListener") == 1 and tListen(listener) == 1,
       "cannot listen on port " .. port)
print("line echo server listening on port " .. port)
while ended < limit do
  tGetCount()
  tWait(listener, 20)
end
tClose(listener)
print("line echo server stopped")
