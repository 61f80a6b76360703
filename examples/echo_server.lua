-- An echo server built on callbacks: every connection is served by its own
-- worker thread, which calls OnEchoConnection with the text that arrived.
--   luahost.exe echo_server.lua [PORT] [CONNECTIONS]
-- Stops after CONNECTIONS connections have ended (runs on without it).
local port = tonumber(arg[1]) or 7000
local limit = tonumber(arg[2])
local ended = 0
local listening = true

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

-- (handle, 1, text, 0) for text; (handle, 0, "", 0) when the connection
-- ended. Answering true keeps the worker receiving.
function OnEchoConnection(h, event, text)
  if event == 1 then return send_all(h, text) end
  print("connection " .. h .. " ended (reason " .. tGetError(h) .. ")")
  ended = ended + 1
  return true
end

-- (listener, 2, "", connection) for each accepted connection: serve it and
-- keep it by answering true. (listener, 0, "", 0) if listening failed.
function OnEchoListener(_, event, _, connection)
  if event == 2 then
    print("connection " .. connection .. " accepted")
    return tSetCallback(connection, "OnEchoConnection") == 1
  end
  listening = false
  return true
end

local listener = tCreate(0, port)
if listener == 0 then error("cannot use port " .. port) end
if tSetCallback(listener, "OnEchoListener") ~= 1 or tListen(listener) ~= 1 then
  error("cannot listen on port " .. port)
end
print("echo server listening on port " .. port)

-- The workers do the work; the script only waits (without holding up the
-- callbacks) until enough connections have ended.
while listening and (limit == nil or ended < limit) do tWait(listener, 200) end
tClose(listener)
print("echo server stopped")
