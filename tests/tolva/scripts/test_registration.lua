-- The module's functions, their result counts and their calm on any
-- arguments.
local names = { "tCreate", "tClose", "tConnect", "tListen", "tAccept", "tWait", "tRecv",
                "tSend", "tSendTo", "tSetCallback", "tGetError", "tMsg", "tClean",
                "tGetCount", "tStartDebug", "tStopDebug", "tFlash", "tFlashAsync",
                "tSetFlashTime" }
local silent = { tMsg = true, tClean = true, tStartDebug = true, tStopDebug = true,
                 tFlash = true, tFlashAsync = true, tSetFlashTime = true }

group("the 19 functions are registered, in their order", function()
  for _, name in ipairs(names) do
    expect(type(_G[name]), "function", name)
  end
  setmetatable(_G, nil)
  for i, name in ipairs(names) do
    expect(TestNewGlobals[i], name, "registered as number " .. i)
  end
end)

group("the module exports its two entry points and carries version 1.0.0.1", function()
  local exports = TestModuleExports()
  expect(#exports, 2, "number of exports")
  table.sort(exports)
  expect(exports[1], "LuaPlus_RegisterModule", "first export")
  expect(exports[2], "LuaPlus_UnregisterModule", "second export")
  local fileVersion, productVersion = TestModuleVersion()
  expect(fileVersion, "1.0.0.1", "file version")
  expect(productVersion, "1.0.0.1", "product version")
end)

group("no result from functions with nothing to report", function()
  tSetFlashTime(1)
  for name in pairs(silent) do
    if name ~= "tMsg" then
      expect(select("#", _G[name]()), 0, name .. "()")
    end
  end
  expect(select("#", tMsg("counted")), 0, "tMsg(text)")
  expect(select("#", tSetFlashTime(30)), 0, "tSetFlashTime(30)")
  tSetFlashTime(1)
  tStopDebug()
  os.remove("tolva_debug.txt")
end)

group("bad arguments never raise and give one failure value", function()
  tSetFlashTime(1)
  local nan = 0 / 0
  local argumentLists = {
    {}, { nil }, { {} }, { "x" }, { "1", "2", "3", "4" }, { true, false },
    { function() end }, { 1e300, -1e300, nan, 1e300 }, { -1, "127.0.0.1", -1, -1 },
    { 41, {}, {}, {} }, { 0, "", "", 0 }, { nan, nan },
  }
  for _, name in ipairs(names) do
    for i, arguments in ipairs(argumentLists) do
      local ok, packed = pcall(function() return results(_G[name](unpack(arguments, 1, 4))) end)
      check(ok, string.format("%s with argument list %d raised: %s", name, i, tostring(packed)))
      if ok and not silent[name] then
        expect(packed.n, 1, string.format("%s with argument list %d: result count", name, i))
        if name == "tRecv" then
          expect(packed[1], "", "tRecv with argument list " .. i)
        elseif name ~= "tCreate" and name ~= "tGetCount" then
          expect(packed[1], 0, name .. " with argument list " .. i)
        end
      end
      tClean()
    end
  end
  TestMessageBoxes()
  -- Let the flash threads started above finish before the desktop tests
  -- count key events.
  local quiet = 0
  while quiet < 2 do
    TestSleep(600)
    local presses, releases = TestScrollLockEvents()
    quiet = (presses == 0 and releases == 0) and quiet + 1 or 0
  end
  tStopDebug()
  os.remove("tolva_debug.txt")
  tSetFlashTime(250)
end)

group("a second state gets the same functions and shares the one table", function()
  local first = tCreate(0, 0)
  expect(first, 1, "a slot of the first state")
  local answer = TestInSecondState([[
    local names = { "tCreate", "tClose", "tConnect", "tListen", "tAccept", "tWait", "tRecv",
                    "tSend", "tSendTo", "tSetCallback", "tGetError", "tMsg", "tClean",
                    "tGetCount", "tStartDebug", "tStopDebug", "tFlash", "tFlashAsync",
                    "tSetFlashTime" }
    for _, name in ipairs(names) do
      if type(_G[name]) ~= "function" then return "missing " .. name end
    end
    local seen = tGetCount()
    local made = tCreate(1, 0)
    return string.format("%d %d %d", seen, made, tGetCount())
  ]])
  expect(answer, "1 2 2", "the second state sees the first state's slot and takes the next")
  expect(tGetCount(), 2, "the first state sees the second state's slot")
  expect(tClose(2), 0, "and can close it")
  expect(tGetCount(), 1, "one slot left")
  -- The second registration started Winsock once more: undoing one start-up
  -- leaves it running.
  expect(TestWinsockCleanup(), 0, "one start-up undone")
  local u = tCreate(1, 0)
  check(u ~= 0, "sockets are still made")
  expect(tSendTo(u, "still", "127.0.0.1", PORTS.udp), 5, "and still send")
  expect(tRecv(u, 0), "still", "and receive")
end)
