-- The message box, the Scroll Lock flash and the debug log, observed from
-- outside the module by the test host.

-- Presses and releases of Scroll Lock since the last call; every event must
-- carry scan code 0x45 and the extended-key flag.
local function scroll_lock_events()
  local presses, releases, malformed, order = TestScrollLockEvents()
  assert(presses, "the test host did not see its own marker key")
  expect(malformed, 0, "malformed Scroll Lock events")
  return presses, releases, order
end

-- Each cycle toggles twice, each toggle a press followed by its release.
local function expect_flashes(cycles, what)
  local presses, releases, order = scroll_lock_events()
  expect(presses, 2 * cycles, what .. ": presses")
  expect(releases, 2 * cycles, what .. ": releases")
  expect(order, string.rep("PR", 2 * cycles), what .. ": each press then its release")
end

group("tFlash counts", function()
  tSetFlashTime(1)
  scroll_lock_events()
  tFlash()
  expect_flashes(1, "tFlash()")
  tFlash("7")
  expect_flashes(1, "tFlash with text")
  tFlash(0)
  expect_flashes(2, "tFlash(0)")
  tFlash(41)
  expect_flashes(2, "tFlash(41)")
  tFlash(40)
  expect_flashes(40, "tFlash(40)")
  tFlash(3.9)
  expect_flashes(3, "tFlash(3.9)")
  tFlash(-1)
  expect_flashes(0, "tFlash(-1)")
end)

group("tFlashAsync flashes on its own thread", function()
  tSetFlashTime(1)
  scroll_lock_events()
  expect(select("#", tFlashAsync(3)), 0, "no result")
  local presses, releases = 0, 0
  for _ = 1, 500 do
    local p, r = scroll_lock_events()
    presses, releases = presses + p, releases + r
    if presses >= 6 and releases >= 6 then break end
    TestSleep(20)
  end
  TestSleep(50)
  local p, r = scroll_lock_events()
  expect(presses + p, 6, "three cycles: presses")
  expect(releases + r, 6, "three cycles: releases")
end)

group("tSetFlashTime bounds", function()
  tSetFlashTime(5000)
  expect(TestModuleInt("gFlashTime"), 5000, "5000 kept")
  tSetFlashTime(5001)
  expect(TestModuleInt("gFlashTime"), 250, "5001 becomes 250")
  tSetFlashTime(17.8)
  expect(TestModuleInt("gFlashTime"), 17, "fraction dropped")
  tSetFlashTime(0)
  expect(TestModuleInt("gFlashTime"), 250, "0 becomes 250")
  tSetFlashTime(1)
  tSetFlashTime("300")
  expect(TestModuleInt("gFlashTime"), 1, "text changes nothing")
  tSetFlashTime()
  expect(TestModuleInt("gFlashTime"), 1, "no argument changes nothing")
  tSetFlashTime(-20)
  expect(TestModuleInt("gFlashTime"), 250, "a negative time becomes 250")
end)

group("tMsg shows its text in an information box", function()
  TestMessageBoxes()
  tMsg("Hello from a script")
  local count, text, informationIcon, buttons, owned = TestMessageBoxes()
  expect(count, 1, "one box shown and closed")
  expect(text, "Hello from a script", "its text")
  expect(informationIcon, true, "information icon")
  expect(buttons, 1, "a single button")
  expect(owned, false, "no owner window")
  tMsg("before\0after")
  count, text = TestMessageBoxes()
  expect(text, "before", "text ends at a zero byte")
  tMsg()
  tMsg({})
  tMsg(42)
  count = TestMessageBoxes()
  expect(count, 0, "no box without text")
end)

group("debug log: created in the current directory, opened once", function()
  os.remove("tolva_debug.txt")
  tStopDebug()
  check(io.open("tolva_debug.txt") == nil, "tStopDebug without tStartDebug creates nothing")
  expect(TestModuleInt("gDebugLog"), 0, "no log open")
  tStartDebug()
  local file = io.open("tolva_debug.txt", "rb")
  check(file ~= nil, "the file exists after tStartDebug")
  if file then
    expect(file:read("*a"), "", "nothing written")
    file:close()
  end
  -- Opened for appending: what an earlier run left stays.
  tStopDebug()
  file = assert(io.open("tolva_debug.txt", "wb"))
  file:write("earlier\0run")
  file:close()
  tStartDebug()
  file = io.open("tolva_debug.txt", "rb")
  check(file ~= nil, "the earlier file can be read while the log is open")
  if file then
    expect(file:read("*a"), "earlier\0run", "an existing log is kept")
    file:close()
  end
  local first = TestModuleInt("gDebugLog")
  check(first ~= 0, "the log is open")
  tStartDebug()
  expect(TestModuleInt("gDebugLog"), first, "a second tStartDebug keeps the open file")
  check(os.remove("tolva_debug.txt") == nil, "an open log cannot be deleted")
  tStopDebug()
  expect(TestModuleInt("gDebugLog"), 0, "closed")
  -- Had the second tStartDebug opened the file again, one handle would
  -- still hold it.
  check(os.remove("tolva_debug.txt") == true, "after one tStopDebug nothing holds the file")
  tStopDebug()
end)
