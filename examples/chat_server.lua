-- A line-based chat server built on callbacks. Each line a client sends
-- goes to every other client as "<name>: <line>". Commands:
--   /nick NAME   choose a name (the default is guest<handle>)
--   /quit        leave
--   luahost.exe chat_server.lua [PORT] [CONNECTIONS]
-- Stops after CONNECTIONS connections have ended (runs on without it).
local port = tonumber(arg[1]) or 7001
local limit = tonumber(arg[2])
local ended = 0
local listening = true

-- Callbacks of different connections run on different threads and may be
-- interleaved wherever a function is called. The tables below therefore
-- keep a fixed set of keys (one per handle, 1 to 30): values change, keys
-- are never added or removed while someone may be walking over them.
local names, pending = {}, {}
for h = 1, 30 do
  names[h] = false    -- name of a client in the chat, false otherwise
  pending[h] = ""     -- text received after the last complete line
end

local function send_all(h, text)
  local sent = 0
  while sent < #text do
    local count = tSend(h, text:sub(sent + 1))
    if count <= 0 then return false end
    sent = sent + count
  end
  return true
end

local function broadcast(from, text)
  for h = 1, 30 do
    if names[h] and h ~= from then send_all(h, text) end
  end
end

-- One complete line of client h; answers false when the client leaves.
local function handle_line(h, line)
  local nick = line:match("^/nick%s+(%S+)")
  if nick then
    broadcast(h, names[h] .. " is now " .. nick .. "\n")
    names[h] = nick
  elseif line == "/quit" then
    return false
  elseif line ~= "" then
    broadcast(h, names[h] .. ": " .. line .. "\n")
  end
  return true
end

function OnChatClient(h, event, text)
  if event == 0 then
    -- The connection ended: the slot is released after this call.
    local name = names[h]
    names[h], pending[h] = false, ""
    if name then broadcast(h, name .. " left\n") end
    ended = ended + 1
    return true
  end
  pending[h] = pending[h] .. text
  for line in pending[h]:gmatch("([^\n]*)\n") do
    if not handle_line(h, (line:gsub("\r$", ""))) then return false end
  end
  pending[h] = pending[h]:match("[^\n]*$")
  return true
end

function OnChatListener(_, event, _, connection)
  if event ~= 2 then
    listening = false
    return true
  end
  names[connection] = "guest" .. connection
  pending[connection] = ""
  send_all(connection, "welcome, you are guest" .. connection .. "\n")
  broadcast(connection, "guest" .. connection .. " joined\n")
  if tSetCallback(connection, "OnChatClient") == 1 then return true end
  names[connection] = false
  return false
end

local listener = tCreate(0, port)
if listener == 0 then error("cannot use port " .. port) end
if tSetCallback(listener, "OnChatListener") ~= 1 or tListen(listener) ~= 1 then
  error("cannot listen on port " .. port)
end
print("chat server listening on port " .. port)
while listening and (limit == nil or ended < limit) do tWait(listener, 200) end
tClose(listener)
print("chat server stopped")
