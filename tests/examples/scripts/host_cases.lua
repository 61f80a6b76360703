-- What luahost.exe does with a script, case by case:
--   luahost.exe host_cases.lua CASE [PORT]
--   error        raises an error
--   exit         os.exit(7), its listening socket open
--   wait, box, loop, read, coroutine   listen on PORT, print "ready", then
--                wait in tWait for an hour, in a message box, in a busy
--                loop, in io.read, or while a callback of a connection to
--                PORT spins in a coroutine: until Ctrl+C
local case, port = arg[1], tonumber(arg[2])
if case == "error" then error("planned failure") end

function Accept(_, event)
  if event == 2 and case == "coroutine" then
    print("spinning")
    io.stdout:flush()
    coroutine.wrap(function() while true do end end)()
  end
  return true
end

local listener = tCreate(0, port or 0)
assert(tSetCallback(listener, "Accept") == 1 and tListen(listener) == 1)
if case == "exit" then os.exit(7) end
print("ready")
io.stdout:flush()
if case == "box" then
  tMsg("Waiting for Ctrl+C")
elseif case == "loop" then
  while true do end
elseif case == "read" then
  io.read()
else
  tWait(listener, 0)
end
print("the script went on after Ctrl+C")
