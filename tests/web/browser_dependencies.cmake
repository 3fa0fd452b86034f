# What the browser tests need: Debian's Chromium driven through Selenium from the system Python.
# Without these the tests fail (they never skip); the configuration names what is missing.
set(QUOLL_SYSTEM_PYTHON /usr/bin/python3)
set(missing)
execute_process(COMMAND ${QUOLL_SYSTEM_PYTHON} -c "import selenium"  # fails without python3 too
  RESULT_VARIABLE no_selenium OUTPUT_QUIET ERROR_QUIET)
if(no_selenium)
  list(APPEND missing "Selenium for /usr/bin/python3 (Debian: python3, python3-selenium)")
endif()
if(NOT EXISTS /usr/bin/chromium)
  list(APPEND missing "/usr/bin/chromium (Debian: chromium)")
endif()
if(NOT EXISTS /usr/bin/chromedriver)
  list(APPEND missing "/usr/bin/chromedriver (Debian: chromium-driver)")
endif()
if(missing)
  list(JOIN missing ", " missing)
  quoll_missing_test_dependency("the web tests cannot pass: missing ${missing}")
endif()
