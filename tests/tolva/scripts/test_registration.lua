-- The module's functions, their result counts and their calm on any
-- arguments.
local names = { "tCreate", "tClose", "tConnect", "tListen", "tAccept", "tWait", "tRecv",
                "tSend", "tSendTo", "tSetCallback", "tGetError", "tMsg", "tClean",
                "tGetCount", "tStartDebug", "tStopDebug", "tFlash", "tFlashAsync",
                "tSetFlashTime" }
local silent = { tMsg = true, tClean = true, tStartDebug = true, tStopDebug = true,
                 tFlash = true, tFlashAsync = true, tSetFlashTime = true }

group("the 19 functions are registered", function()
  for _, name in ipairs(names) do
    expect(type(_G[name]), "function", name)
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
