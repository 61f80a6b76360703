-- The web server example's responder (examples/http_server.lua) written as
-- a LuaSocket script would be: one loop over socket.select, sockets that
-- never block while a request head comes, one answer, the connection
-- closed. Run by the stock lua.exe:
--   luasocket_http.lua PORT CONNECTIONS
-- Stops after CONNECTIONS connections have ended.
local socket = require("socket")
local port = tonumber(arg[1])
local limit = tonumber(arg[2])

local server = assert(socket.bind("*", port))
server:settimeout(0)
local receiving = {server}
local heads = {}
local served = 0
local ended = 0

local function page(number)
  return "<!DOCTYPE html>\n<html><head><title>tolva</title></head><body>\n" ..
         "<h1>Hello from tolva</h1>\n" ..
         "<p>Requests served: " .. number .. "</p>\n" ..
         '<form action="/echo"><input name="text"> <input type="submit" value="Echo"></form>\n' ..
         "</body></html>\n"
end

local function close(client)
  for i = #receiving, 1, -1 do
    if receiving[i] == client then table.remove(receiving, i) end
  end
  heads[client] = nil
  client:close()
  ended = ended + 1
end

-- The answer is small: the socket takes it whole once it may wait a little.
local function respond(client, status, kind, body)
  client:settimeout(5)
  client:send("HTTP/1.1 " .. status .. "\r\nContent-Type: " .. kind .. "\r\nContent-Length: " .. #body ..
              "\r\nConnection: close\r\n\r\n" .. body)
  close(client)
end

local function answer(client, head)
  served = served + 1
  local method, target = head:match("^(%u+) (%S+) HTTP/1%.[01]\r?\n")
  if not method then
    respond(client, "400 Bad Request", "text/plain", "bad request\n")
  elseif method == "GET" and target == "/" then
    respond(client, "200 OK", "text/html", page(served))
  else
    respond(client, "404 Not Found", "text/plain", "not found\n")
  end
end

local function receive(client)
  local text, err, partial = client:receive(1024)
  local head = heads[client] .. (text or partial)
  if head:find("\n\r?\n") then
    answer(client, head)
  elseif err == "closed" or #head > 16384 then
    close(client)
  else
    heads[client] = head
  end
end

print("http server listening on port " .. port)
io.stdout:flush()
while ended < limit do
  local readable = socket.select(receiving)
  for _, s in ipairs(readable) do
    if s == server then
      local client = server:accept()
      if client then
        client:settimeout(0)
        heads[client] = ""
        receiving[#receiving + 1] = client
      end
    elseif heads[s] then
      receive(s)
    end
  end
end
server:close()
print("http server stopped")
