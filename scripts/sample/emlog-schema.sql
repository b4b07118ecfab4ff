-- The tables of an emlog blog that Kestrel reads, as emlog pro's installer
-- makes them: emlog 6's columns, then the columns pro added (marked "pro").
-- emlog-6.sql and emlog-5.sql take the later columns away again to give the
-- older versions' tables. {prefix} is the blog's table prefix and {charset} the
-- tables' character set: utf8 (3-byte) for emlog 3.x-6.x, utf8mb4 for emlog pro.

CREATE TABLE {prefix}blog (
  gid int(10) unsigned NOT NULL auto_increment,
  title varchar(512) NOT NULL default '',
  date bigint(20) NOT NULL,
  content longtext NOT NULL,
  excerpt longtext NOT NULL,
  alias VARCHAR(200) NOT NULL DEFAULT '',
  author int(10) NOT NULL default '1',
  sortid int(10) NOT NULL default '-1',
  type varchar(20) NOT NULL default 'blog',
  views int(10) unsigned NOT NULL default '0',
  comnum int(10) unsigned NOT NULL default '0',
  attnum int(10) unsigned NOT NULL default '0',
  top enum('n','y') NOT NULL default 'n',
  sortop enum('n','y') NOT NULL default 'n',
  hide enum('n','y') NOT NULL default 'n',
  checked enum('n','y') NOT NULL default 'y',
  allow_remark enum('n','y') NOT NULL default 'y',
  password varchar(255) NOT NULL default '',
  template varchar(255) NOT NULL default '',
  tags text,
  -- pro: a cover image, an address the article jumps to, the parent of a page
  cover varchar(255) NOT NULL default '',
  link varchar(255) NOT NULL default '',
  parent_id int(10) unsigned NOT NULL default '0',
  like_count int(10) unsigned NOT NULL default '0',
  dislike_count int(10) unsigned NOT NULL default '0',
  collect_count int(10) unsigned NOT NULL default '0',
  PRIMARY KEY (gid)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

CREATE TABLE {prefix}attachment (
  aid int(10) unsigned NOT NULL auto_increment,
  blogid int(10) unsigned NOT NULL default '0',
  filename varchar(255) NOT NULL default '',
  filesize int(10) NOT NULL default '0',
  filepath varchar(255) NOT NULL default '',
  addtime bigint(20) NOT NULL default '0',
  width int(10) NOT NULL default '0',
  height int(10) NOT NULL default '0',
  mimetype varchar(40) NOT NULL default '',
  thumfor int(10) NOT NULL default 0,
  PRIMARY KEY (aid)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

CREATE TABLE {prefix}comment (
  cid int(10) unsigned NOT NULL auto_increment,
  gid int(10) unsigned NOT NULL default '0',
  pid int(10) unsigned NOT NULL default '0',
  date bigint(20) NOT NULL,
  poster varchar(20) NOT NULL default '',
  comment text NOT NULL,
  mail varchar(60) NOT NULL default '',
  url varchar(75) NOT NULL default '',
  ip varchar(128) NOT NULL default '',
  hide enum('n','y') NOT NULL default 'n',
  -- pro: the signed-in user who wrote it (0: a guest)
  uid int(10) unsigned NOT NULL default '0',
  avatar varchar(512) NOT NULL default '',
  agent varchar(512) NOT NULL default '',
  PRIMARY KEY (cid)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

CREATE TABLE {prefix}sort (
  sid int(10) unsigned NOT NULL auto_increment,
  sortname varchar(255) NOT NULL default '',
  alias VARCHAR(200) NOT NULL DEFAULT '',
  taxis int(10) unsigned NOT NULL default '0',
  pid int(10) unsigned NOT NULL default '0',
  description text NOT NULL,
  template varchar(255) NOT NULL default '',
  -- pro
  kw varchar(255) NOT NULL default '',
  sortimg varchar(255) NOT NULL default '',
  PRIMARY KEY (sid)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

CREATE TABLE {prefix}tag (
  tid int(10) unsigned NOT NULL auto_increment,
  tagname varchar(60) NOT NULL default '',
  gid text NOT NULL,
  PRIMARY KEY (tid)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

CREATE TABLE {prefix}link (
  id int(10) unsigned NOT NULL auto_increment,
  sitename varchar(30) NOT NULL default '',
  siteurl varchar(75) NOT NULL default '',
  description varchar(255) NOT NULL default '',
  hide enum('n','y') NOT NULL default 'n',
  taxis int(10) unsigned NOT NULL default '0',
  PRIMARY KEY (id)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

CREATE TABLE {prefix}user (
  uid int(10) unsigned NOT NULL auto_increment,
  username varchar(32) NOT NULL default '',
  password varchar(64) NOT NULL default '',
  nickname varchar(20) NOT NULL default '',
  role varchar(60) NOT NULL default '',
  ischeck enum('n','y') NOT NULL default 'n',
  photo varchar(255) NOT NULL default '',
  email varchar(60) NOT NULL default '',
  description varchar(255) NOT NULL default '',
  -- pro: state 1 is a disabled account, the times are Unix times
  ip varchar(128) NOT NULL default '',
  state tinyint(3) NOT NULL default '0',
  credits int(10) NOT NULL default '0',
  create_time int(10) NOT NULL default '0',
  update_time int(10) NOT NULL default '0',
  PRIMARY KEY (uid),
  KEY username (username)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

CREATE TABLE {prefix}options (
  option_id int(11) unsigned NOT NULL auto_increment,
  option_name varchar(255) NOT NULL,
  option_value longtext NOT NULL,
  PRIMARY KEY (option_id),
  KEY option_name (option_name)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

-- The navigation bar: the same in 5.x, 6.x and pro.
CREATE TABLE {prefix}navi (
  id int(10) unsigned NOT NULL auto_increment,
  naviname varchar(30) NOT NULL default '',
  url varchar(75) NOT NULL default '',
  newtab enum('n','y') NOT NULL default 'n',
  hide enum('n','y') NOT NULL default 'n',
  taxis int(10) unsigned NOT NULL default '0',
  pid int(10) unsigned NOT NULL default '0',
  isdefault enum('n','y') NOT NULL default 'n',
  type tinyint(3) unsigned NOT NULL default '0',
  type_id int(10) unsigned NOT NULL default '0',
  PRIMARY KEY (id)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

-- 微语 and their replies (5.x and pro; 6.x has neither): pro's columns marked.
CREATE TABLE {prefix}twitter (
  id int(10) unsigned NOT NULL auto_increment,
  content text NOT NULL,
  img varchar(255) default NULL,
  author int(10) NOT NULL default '1',
  date bigint(20) NOT NULL,
  replynum int(10) unsigned NOT NULL default '0',
  -- pro: likes, only its author sees it, pinned, the writer's address
  like_count int(10) unsigned NOT NULL default '0',
  private enum('n','y') NOT NULL default 'n',
  top enum('n','y') NOT NULL default 'n',
  ip varchar(128) NOT NULL default '',
  PRIMARY KEY (id)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

CREATE TABLE {prefix}reply (
  id int(10) unsigned NOT NULL auto_increment,
  tid int(10) unsigned NOT NULL default '0',
  date bigint(20) NOT NULL,
  name varchar(20) NOT NULL default '',
  content text NOT NULL,
  hide enum('n','y') NOT NULL default 'n',
  ip varchar(128) NOT NULL default '',
  -- pro: the signed-in user who wrote it, and a like (no text) rather than a reply
  uid int(10) unsigned NOT NULL default '0',
  islike enum('n','y') NOT NULL default 'n',
  PRIMARY KEY (id)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

-- pro: the articles' custom fields; a key may repeat.
CREATE TABLE {prefix}blog_fields (
  id int(10) unsigned NOT NULL auto_increment,
  gid int(10) unsigned NOT NULL default '0',
  field_key varchar(255) NOT NULL default '',
  field_value longtext NOT NULL,
  PRIMARY KEY (id)
) ENGINE=MyISAM DEFAULT CHARSET={charset};

-- pro: who uploaded a file (pro 1.1.0), a tag's own description (2.3.17), a link's icon (2.3.0)
-- and the templates' settings (2.0.0). Kept apart from the tables above for emlog-6.sql to take away.
ALTER TABLE {prefix}attachment ADD COLUMN author int(10) unsigned NOT NULL default '1';
ALTER TABLE {prefix}tag ADD COLUMN description varchar(2048) NOT NULL default '';
ALTER TABLE {prefix}link ADD COLUMN icon varchar(512) NOT NULL default '';
CREATE TABLE {prefix}tpl_options_data (
  id int(10) unsigned NOT NULL auto_increment,
  template varchar(64) NOT NULL,
  name varchar(64) NOT NULL,
  depend varchar(64) NOT NULL default '',
  data longtext NOT NULL,
  PRIMARY KEY (id),
  UNIQUE KEY template_name (template, name)
) ENGINE=MyISAM DEFAULT CHARSET={charset};
