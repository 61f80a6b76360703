-- An echo server written as a LuaSocket script would be: one loop over
-- socket.select, sockets that never block, and what a send could not take
-- kept until its socket is writable. Run by the stock lua.exe:
--   luasocket_echo.lua PORT CONNECTIONS
-- Stops after CONNECTIONS connections have ended.
local socket = require("socket")
local port = tonumber(arg[1])
local limit = tonumber(arg[2])

local server = assert(socket.bind("*", port))
server:settimeout(0)
local receiving = {server}
local sending = {}
local open = {}
local unsent = {}
local ended = 0

local function forget(list, item)
  for i = #list, 1, -1 do
    if list[i] == item then table.remove(list, i) end
  end
end

local function close(client)
  forget(receiving, client)
  forget(sending, client)
  open[client], unsent[client] = nil, nil
  client:close()
  ended = ended + 1
end

-- Sends what the socket takes now and keeps the rest until the socket is
-- writable; false when the connection failed.
local function flush(client)
  local text = unsent[client]
  local last, err, partial = client:send(text)
  local sent = last or partial
  forget(sending, client)
  if sent == #text then
    unsent[client] = nil
    return true
  end
  if err ~= "timeout" then return false end
  unsent[client] = text:sub(sent + 1)
  sending[#sending + 1] = client
  return true
end

-- Sends back what arrived; text that must wait goes after what waits.
local function echo(client)
  local text, err, partial = client:receive(1024)
  text = text or partial
  if text ~= "" then
    local waiting = unsent[client]
    unsent[client] = (waiting or "") .. text
    if not waiting and not flush(client) then err = "closed" end
  end
  if err == "closed" then close(client) end
end

print("echo server listening on port " .. port)
io.stdout:flush()
while ended < limit do
  local readable, writable = socket.select(receiving, sending)
  for _, client in ipairs(writable) do
    if open[client] and not flush(client) then close(client) end
  end
  for _, s in ipairs(readable) do
    if s == server then
      local client = server:accept()
      if client then
        client:settimeout(0)
        open[client] = true
        receiving[#receiving + 1] = client
      end
    elseif open[s] then
      echo(s)
    end
  end
end
server:close()
print("echo server stopped")
