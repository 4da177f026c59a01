user_pref("network.proxy.type", 2);
user_pref("network.proxy.autoconfig_url", 'http://h/p.pac');
user_pref("network.proxy.http", "ff");
user_pref("network.proxy.http_port", 8080);
