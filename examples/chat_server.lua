-- A line-based chat server built on callbacks. Each line a client sends
-- goes to every other client as "<name>: <line>". Commands:
--   /nick NAME   choose a name (the default is guest<handle>)
--   /quit        leave
--   luahost.exe chat_server.lua [PORT] [CONNECTIONS]
-- Stops after CONNECTIONS connections have ended (runs on without it).
--
-- Lines end with LF, CR LF or CR: telnet ends a line with CR and a zero
-- byte, and the text a callback gets ends at a zero byte.
--
-- tSend waits until the system has taken the text, and it stops taking
-- text for a client that does not read. So one callback at a time sends to
-- a client; text that others have for it meanwhile waits in its queue, and
-- the sending callback sends that on too. A client whose queue grows past
-- MaxBacklog bytes, or that has taken nothing for StallSeconds while a
-- callback sends to it, is dropped: a client that stops reading holds up
-- only that one callback, and only until then.
local port = tonumber(arg[1]) or 7001
local limit = tonumber(arg[2])
local MaxLine = 4096 -- bytes kept of a line without its end; the rest is dropped
local MaxBacklog = 65536
local StallSeconds = 10
local ended = 0
local listening = true

-- Callbacks of different connections run on different threads and may be
-- interleaved wherever a function is called or a jump is made (if, loops,
-- and, or); lines with neither run whole. `clients` therefore keeps a
-- fixed set of keys (one per handle, 1 to 30): values change, keys are
-- never added or removed while someone may be walking over them. Each
-- connection has a record of its own, so a callback still busy with a
-- client that left never touches the next client on the same handle.
local clients = {}
for h = 1, 30 do clients[h] = false end

local function new_client(h)
  return {
    name = "guest" .. h,
    partial = "",  -- text received after the last complete line
    queued = "",   -- text for the client not sent yet
    claims = 0,    -- texts queued since the sender last looked
    since = false, -- os.time() the sender's current tSend began at
    behind = false -- the queue outgrew MaxBacklog
  }
end

-- tSend may send less than asked: send the rest too.
local function send_all(h, text)
  local sent = 0
  while sent < #text do
    local count = tSend(h, text:sub(sent + 1))
    if count <= 0 then return false end
    sent = sent + count
  end
  return true
end

-- Hands text to client h. The callback whose text finds the queue empty
-- sends, and goes on with what was queued meanwhile; the others only queue.
local function deliver(h, client, text)
  client.queued = client.queued .. text
  local claims = client.claims + 1
  client.claims = claims -- the three lines run whole
  if claims > 1 then
    if #client.queued > MaxBacklog then client.behind = true end
    return
  end
  repeat
    local pending, taken = client.queued, client.claims
    client.queued = "" -- whole with the line above
    client.since = os.time()
    if clients[h] ~= client or not send_all(h, pending) then return end
    client.since = false
    local left = client.claims - taken
    client.claims = left -- whole with the line above: a text queued later
  until left == 0        -- makes its callback the sender
end

local function broadcast(from, text)
  for h = 1, 30 do
    local client = clients[h]
    if client and h ~= from then deliver(h, client, text) end
  end
end

-- For the script's loop, which drops the clients that fall behind and so
-- must never wait on one: the text only joins the queues, and goes with the
-- next text a callback sends to each client.
local function announce(from, text)
  for h = 1, 30 do
    local client = clients[h]
    if client and h ~= from then client.queued = client.queued .. text end
  end
end

-- One complete line of client h; answers false when the client leaves.
local function handle_line(h, client, line)
  local nick = line:match("^/nick%s+(%S+)")
  if nick then
    broadcast(h, client.name .. " is now " .. nick .. "\n")
    client.name = nick
  elseif line == "/quit" then
    return false
  elseif line ~= "" then
    broadcast(h, client.name .. ": " .. line .. "\n")
  end
  return true
end

function OnChatClient(h, event, text)
  local client = clients[h]
  if not client then return false end -- dropped
  if event == 0 then
    -- The connection ended: the slot is released after this call.
    clients[h] = false
    broadcast(h, client.name .. " left\n")
    ended = ended + 1
    return true
  end
  -- Plain finds of the line end: a pattern such as "[^\n]*$" is tried at
  -- every position and takes time growing with the square of a long line.
  local received = (client.partial .. text):gsub("\r\n?", "\n")
  local start = 1
  local stop = received:find("\n", start, true)
  while stop do
    if not handle_line(h, client, received:sub(start, stop - 1)) then return false end
    start = stop + 1
    stop = received:find("\n", start, true)
  end
  client.partial = received:sub(start, start + MaxLine - 1)
  return true
end

function OnChatListener(_, event, _, connection)
  if event ~= 2 then
    listening = false
    return true
  end
  local client = new_client(connection)
  clients[connection] = client
  deliver(connection, client, "welcome, you are " .. client.name .. "\n")
  broadcast(connection, client.name .. " joined\n")
  if tSetCallback(connection, "OnChatClient") == 1 then return true end
  clients[connection] = false
  return false
end

local listener = tCreate(0, port)
if listener == 0 then error("cannot use port " .. port) end
if tSetCallback(listener, "OnChatListener") ~= 1 or tListen(listener) ~= 1 then
  error("cannot listen on port " .. port)
end
print("chat server listening on port " .. port)
while listening and (limit == nil or ended < limit) do
  tWait(listener, 200)
  local now = os.time()
  for h = 1, 30 do
    local client = clients[h]
    if client and (client.behind or client.since and now - client.since >= StallSeconds) then
      -- Before tClose, which makes no ending call: h may name the next
      -- client as soon as it is closed. The send that waits on it fails.
      clients[h] = false
      tClose(h)
      announce(h, client.name .. " left (too far behind)\n")
      ended = ended + 1
    end
  end
end
tClose(listener)
print("chat server stopped")
