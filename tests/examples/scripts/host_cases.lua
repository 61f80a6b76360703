-- luahost.exe host_cases.lua CASE [PORT]: "error" raises an error; "exit"
-- calls os.exit(7) while listening; the others listen on PORT, print
-- "ready" and wait for Ctrl+C in tWait for an hour ("wait"), a message box
-- ("box"), a busy loop ("loop"), io.read ("read"), or while the callback of
-- a connection to PORT spins in a coroutine ("coroutine").
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
if case == "box" then tMsg("Waiting for Ctrl+C")
elseif case == "loop" then while true do end
elseif case == "read" then io.read()
else tWait(listener, 0) end
