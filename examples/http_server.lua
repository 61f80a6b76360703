-- A small web server built on callbacks, the first one to read before
-- writing a server of your own.
--   luahost.exe http_server.lua [PORT] [CONNECTIONS]
-- Open http://127.0.0.1:PORT/ in a browser. It answers
--   GET /               a page counting the requests served
--   GET /echo?text=...  the text back, as plain text
--   anything else       404 Not Found
-- One request per connection (HTTP/1.0 or 1.1): the request is read up to
-- the blank line that ends its head, answered, and the connection closed.
-- Stops after CONNECTIONS connections have ended (runs on without it).
local port = tonumber(arg[1]) or 8080
local limit = tonumber(arg[2])

local MaxRequestLine = 2048 -- bytes of "GET /path HTTP/1.1"; longer: 400
local MaxHead = 16384       -- bytes of the request line and header lines
local RequestSeconds = 15   -- a connection still without its request is closed

local served = 0  -- requests answered, for the page
local ended = 0
local listening = true

-- By handle, with fixed keys (callbacks of other connections may walk the
-- tables while one changes them; see CALLBACKS.md):
local heads = {}  -- the request head received so far, or false once answered
local opened = {} -- os.time() the connection came at, or false: no connection
for h = 1, 30 do heads[h], opened[h] = false, false end

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

-- Sends an answer. The body is text, or a function making it from the
-- number of this request among those served.
local function respond(h, status, kind, body)
  served = served + 1
  local number = served -- no call or jump since the line above: both run whole
  if type(body) == "function" then body = body(number) end
  send_all(h, "HTTP/1.1 " .. status .. "\r\n" ..
              "Content-Type: " .. kind .. "\r\n" ..
              "Content-Length: " .. #body .. "\r\n" ..
              "Connection: close\r\n\r\n" .. body)
end

local function page(number)
  return "<!DOCTYPE html>\n<html><head><title>tolva</title></head><body>\n" ..
         "<h1>Hello from tolva</h1>\n" ..
         "<p>Requests served: " .. number .. "</p>\n" ..
         '<form action="/echo"><input name="text"> <input type="submit" value="Echo"></form>\n' ..
         "</body></html>\n"
end

-- "a+b%21" is "a b!". tSend sends text up to a zero byte only: the text
-- ends there.
local function unescape(text)
  text = text:gsub("%+", " "):gsub("%%(%x%x)", function(hex) return string.char(tonumber(hex, 16)) end)
  return text:match("^[^%z]*")
end

-- Answers a whole request head.
local function answer(h, head)
  local method, target = head:match("^(%u+) (%S+) HTTP/1%.[01]\r?\n")
  if not method then
    respond(h, "400 Bad Request", "text/plain", "bad request\n")
    return
  end
  local path, query = target:match("^([^?]*)%??(.*)$")
  if method == "GET" and path == "/" then
    respond(h, "200 OK", "text/html", page)
  elseif method == "GET" and path == "/echo" then
    local text = ("&" .. query):match("&text=([^&]*)") or ""
    respond(h, "200 OK", "text/plain", unescape(text))
  else
    respond(h, "404 Not Found", "text/plain", "not found\n")
  end
end

-- (h, 1, text, 0): a piece of the request; (h, 0, "", 0): the connection
-- ended, and h is released after this call.
function OnHttpClient(h, event, text)
  if event ~= 1 then
    heads[h], opened[h] = false, false
    ended = ended + 1
    return true
  end
  if not heads[h] then return true end -- answered: the rest is dropped
  local head = heads[h] .. text
  if #head:match("^[^\n]*") > MaxRequestLine + 1 then -- + 1: its "\r"
    heads[h] = false
    respond(h, "400 Bad Request", "text/plain", "request line too long\n")
    -- Closing with the request unread would reset the connection, and the
    -- client could lose the answer: read on until it closes (or times out).
    return true
  end
  if head:find("\n\r?\n") then
    heads[h] = false
    answer(h, head)
    return false -- closes the connection, the answer sent
  end
  if #head > MaxHead then
    heads[h] = false
    respond(h, "400 Bad Request", "text/plain", "request head too long\n")
    return true
  end
  heads[h] = head
  return true
end

function OnHttpListener(_, event, _, connection)
  if event ~= 2 then -- listening failed
    listening = false
    return true
  end
  -- Before tSetCallback: the connection's first text may come at once.
  heads[connection], opened[connection] = "", os.time()
  if tSetCallback(connection, "OnHttpClient") == 1 then return true end
  heads[connection], opened[connection] = false, false
  return false
end

local listener = tCreate(0, port)
if listener == 0 then error("cannot use port " .. port) end
if tSetCallback(listener, "OnHttpListener") ~= 1 or tListen(listener) ~= 1 then
  error("cannot listen on port " .. port)
end
print("http server listening on port " .. port)

-- The workers serve; the script closes connections that keep a slot
-- without sending their request (there are 30 slots in all).
while listening and (limit == nil or ended < limit) do
  tWait(listener, 500)
  local now = os.time()
  for h = 1, 30 do
    if opened[h] and now - opened[h] > RequestSeconds then
      -- Before tClose, which makes no ending call: h may name the next
      -- connection as soon as it is closed.
      heads[h], opened[h] = false, false
      tClose(h)
      ended = ended + 1
    end
  end
end
tClose(listener)
print("http server stopped")
