-- An idle server written as a LuaSocket script would be, run by the stock
-- lua.exe:  luasocket_idle.lua PORT MS
-- Accepts the 29 connections of the peer's idle clients, then waits for MS
-- milliseconds in one socket.select over the listener and them, while the
-- runner measures what the process and the wineserver spend meanwhile.
local socket = require("socket")
local port = tonumber(arg[1])
local milliseconds = tonumber(arg[2])
local CONNECTIONS = 29

local server = assert(socket.bind("*", port))
local sockets = {server}
for i = 1, CONNECTIONS do sockets[i + 1] = assert(server:accept()) end
print("IDLE READY")
io.stdout:flush()
socket.select(sockets, nil, milliseconds / 1000)
print("IDLE DONE")
io.stdout:flush()
for _, s in ipairs(sockets) do s:close() end
